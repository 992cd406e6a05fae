#pragma once

#include "script_error.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// A failure of the plug-in: a code for the page and the name of the operation that failed.
// what() answers the code as decimal text; the context stays inside the plug-in.
class Exception : public FB::script_error {
public:
    Exception(std::int32_t code, const std::string& context);

    const char* what() const noexcept override { return m_codeText.what(); }
    std::int32_t code() const noexcept { return m_code; }
    // The name of the failing operation, such as "C_Login" or "doSign".
    const char* context() const noexcept { return FB::script_error::what(); }

private:
    std::runtime_error m_codeText;
    std::int32_t m_code;
};

// A PKCS#11 call that did not answer CKR_OK.
class Pkcs11Exception : public Exception {
public:
    Pkcs11Exception(const std::string& function, unsigned long rv);
};

// The code that the page receives for a PKCS#11 return value.
std::int32_t pkcs11ErrorCode(unsigned long rv);
