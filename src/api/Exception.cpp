#include "Exception.h"

#include <p11-kit/pkcs11.h>

#include <sstream>

namespace {

std::string codeText(std::int32_t code) {
    std::ostringstream out;
    out << code;
    return out.str();
}

} // namespace

Exception::Exception(std::int32_t code, const std::string& context)
    : FB::script_error(context), m_codeText(codeText(code)), m_code(code) {}

Pkcs11Exception::Pkcs11Exception(const std::string& function, unsigned long rv)
    : Exception(pkcs11ErrorCode(rv), function) {}

std::int32_t pkcs11ErrorCode(unsigned long rv) {
    switch (rv) {
    case CKR_OK:
        return 0;
    case CKR_HOST_MEMORY:
    case CKR_DEVICE_MEMORY:
        return -40;
    case CKR_ARGUMENTS_BAD:
        return -10;
    case CKR_PIN_INCORRECT:
        return -4;
    case CKR_PIN_INVALID:
        return -3;
    case CKR_PIN_LEN_RANGE:
        return -6;
    case CKR_PIN_LOCKED:
        return -5;
    case CKR_TOKEN_NOT_PRESENT:
        return -1;
    case CKR_USER_NOT_LOGGED_IN:
        return -2;
    case CKR_CRYPTOKI_NOT_INITIALIZED:
        return -51;
    default:
        // -(rv + 80) on 32 bits, read as signed; vendor values may come out positive.
        return static_cast<std::int32_t>(0u - (static_cast<std::uint32_t>(rv) + 80u));
    }
}
