#include "Object.h"

#include "HexDigit.h"
#include "SecureWipe.h"

#include <cstring>
#include <set>
#include <sstream>

namespace softtoken {

namespace {

Bytes numberBytes(CK_ULONG value) {
    Bytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

const char hexDigits[] = "0123456789abcdef";

} // namespace

AttributeKind attributeKind(CK_ATTRIBUTE_TYPE type) {
    static const std::set<CK_ATTRIBUTE_TYPE> numbers = {
        CKA_CLASS,    CKA_CERTIFICATE_TYPE,  CKA_CERTIFICATE_CATEGORY,
        CKA_KEY_TYPE, CKA_KEY_GEN_MECHANISM, CKA_VALUE_LEN};
    static const std::set<CK_ATTRIBUTE_TYPE> flags = {CKA_TOKEN,
                                                      CKA_PRIVATE,
                                                      CKA_TRUSTED,
                                                      CKA_SENSITIVE,
                                                      CKA_ENCRYPT,
                                                      CKA_DECRYPT,
                                                      CKA_WRAP,
                                                      CKA_UNWRAP,
                                                      CKA_SIGN,
                                                      CKA_SIGN_RECOVER,
                                                      CKA_VERIFY,
                                                      CKA_VERIFY_RECOVER,
                                                      CKA_DERIVE,
                                                      CKA_EXTRACTABLE,
                                                      CKA_LOCAL,
                                                      CKA_NEVER_EXTRACTABLE,
                                                      CKA_ALWAYS_SENSITIVE,
                                                      CKA_MODIFIABLE,
                                                      CKA_COPYABLE,
                                                      CKA_DESTROYABLE,
                                                      CKA_ALWAYS_AUTHENTICATE,
                                                      CKA_WRAP_WITH_TRUSTED};
    static const std::set<CK_ATTRIBUTE_TYPE> bytes = {CKA_LABEL,
                                                      CKA_APPLICATION,
                                                      CKA_VALUE,
                                                      CKA_OBJECT_ID,
                                                      CKA_ISSUER,
                                                      CKA_SERIAL_NUMBER,
                                                      CKA_AC_ISSUER,
                                                      CKA_OWNER,
                                                      CKA_ATTR_TYPES,
                                                      CKA_CHECK_VALUE,
                                                      CKA_URL,
                                                      CKA_HASH_OF_SUBJECT_PUBLIC_KEY,
                                                      CKA_HASH_OF_ISSUER_PUBLIC_KEY,
                                                      CKA_SUBJECT,
                                                      CKA_ID,
                                                      CKA_START_DATE,
                                                      CKA_END_DATE,
                                                      CKA_PUBLIC_KEY_INFO,
                                                      CKA_GOSTR3410_PARAMS,
                                                      CKA_GOSTR3411_PARAMS,
                                                      CKA_GOST28147_PARAMS};
    if (numbers.count(type))
        return AttributeKind::Number;
    if (flags.count(type))
        return AttributeKind::Flag;
    if (bytes.count(type))
        return AttributeKind::Bytes;
    return AttributeKind::Unknown;
}

Object::~Object() {
    for (auto& [type, value] : attributes)
        secureWipe(value.data(), value.size());
}

const Bytes* Object::find(CK_ATTRIBUTE_TYPE type) const {
    const auto it = attributes.find(type);
    return it == attributes.end() ? nullptr : &it->second;
}

CK_ULONG Object::number(CK_ATTRIBUTE_TYPE type, CK_ULONG fallback) const {
    const Bytes* value = find(type);
    if (!value || value->size() != sizeof(CK_ULONG))
        return fallback;
    CK_ULONG n;
    std::memcpy(&n, value->data(), sizeof n);
    return n;
}

bool Object::flag(CK_ATTRIBUTE_TYPE type, bool fallback) const {
    const Bytes* value = find(type);
    if (!value || value->size() != 1)
        return fallback;
    return (*value)[0] != 0;
}

void Object::setBytes(CK_ATTRIBUTE_TYPE type, Bytes value) {
    Bytes& slot = attributes[type];
    secureWipe(slot.data(), slot.size());
    slot = std::move(value);
}

void Object::setNumber(CK_ATTRIBUTE_TYPE type, CK_ULONG value) {
    setBytes(type, numberBytes(value));
}

void Object::setFlag(CK_ATTRIBUTE_TYPE type, bool value) {
    setBytes(type, Bytes{static_cast<unsigned char>(value ? 1 : 0)});
}

void Object::defaultNumber(CK_ATTRIBUTE_TYPE type, CK_ULONG value) {
    if (!find(type))
        setNumber(type, value);
}

void Object::defaultFlag(CK_ATTRIBUTE_TYPE type, bool value) {
    if (!find(type))
        setFlag(type, value);
}

void Object::defaultBytes(CK_ATTRIBUTE_TYPE type, Bytes value) {
    if (!find(type))
        setBytes(type, std::move(value));
}

bool Object::matches(const CK_ATTRIBUTE* wanted, CK_ULONG count) const {
    for (CK_ULONG i = 0; i < count; ++i) {
        // A secret value cannot be found by guessing it.
        if (wanted[i].type == CKA_VALUE && isSensitiveValue())
            return false;
        const Bytes* value = find(wanted[i].type);
        if (!value || value->size() != wanted[i].ulValueLen)
            return false;
        if (!value->empty() && std::memcmp(value->data(), wanted[i].pValue, value->size()) != 0)
            return false;
    }
    return true;
}

bool Object::isSensitiveValue() const {
    const CK_ULONG objectClass = number(CKA_CLASS, CK_UNAVAILABLE_INFORMATION);
    if (objectClass != CKO_PRIVATE_KEY && objectClass != CKO_SECRET_KEY)
        return false;
    return flag(CKA_SENSITIVE, true) || !flag(CKA_EXTRACTABLE, false);
}

CK_RV readTemplate(const CK_ATTRIBUTE* attributes, CK_ULONG count, Object& out) {
    if (count > 0 && !attributes)
        return CKR_ARGUMENTS_BAD;
    for (CK_ULONG i = 0; i < count; ++i) {
        const CK_ATTRIBUTE& a = attributes[i];
        if (!a.pValue && a.ulValueLen > 0)
            return CKR_ARGUMENTS_BAD;
        if (out.find(a.type))
            return CKR_TEMPLATE_INCONSISTENT;
        const auto* begin = static_cast<const unsigned char*>(a.pValue);
        switch (attributeKind(a.type)) {
        case AttributeKind::Unknown:
            return CKR_ATTRIBUTE_TYPE_INVALID;
        case AttributeKind::Number:
            if (a.ulValueLen != sizeof(CK_ULONG))
                return CKR_ATTRIBUTE_VALUE_INVALID;
            out.setBytes(a.type, Bytes(begin, begin + a.ulValueLen));
            break;
        case AttributeKind::Flag:
            if (a.ulValueLen != 1)
                return CKR_ATTRIBUTE_VALUE_INVALID;
            out.setFlag(a.type, *begin != 0);
            break;
        case AttributeKind::Bytes:
            out.setBytes(a.type, a.ulValueLen ? Bytes(begin, begin + a.ulValueLen) : Bytes());
            break;
        }
    }
    return CKR_OK;
}

std::string formatObject(const Object& object) {
    std::ostringstream out;
    out << "object " << object.handle;
    for (const auto& [type, value] : object.attributes) {
        out << ' ' << std::hex << type << std::dec << '=';
        if (attributeKind(type) == AttributeKind::Number) {
            // -1 stands for CK_UNAVAILABLE_INFORMATION whatever the width of CK_ULONG.
            const CK_ULONG n = object.number(type);
            if (n == CK_UNAVAILABLE_INFORMATION)
                out << "n-1";
            else
                out << 'n' << n;
        } else {
            out << 'x';
            for (unsigned char b : value)
                out << hexDigits[b >> 4] << hexDigits[b & 15];
        }
    }
    return out.str();
}

std::optional<Object> parseObject(const std::string& line) {
    std::istringstream in(line);
    std::string word;
    Object object;
    if (!(in >> word) || word != "object" || !(in >> object.handle) || object.handle == 0)
        return std::nullopt;
    while (in >> word) {
        const auto eq = word.find('=');
        if (eq == std::string::npos || eq + 1 >= word.size())
            return std::nullopt;
        CK_ATTRIBUTE_TYPE type;
        try {
            type = std::stoul(word.substr(0, eq), nullptr, 16);
        } catch (const std::logic_error&) {
            return std::nullopt;
        }
        const std::string value = word.substr(eq + 2);
        if (word[eq + 1] == 'n') {
            try {
                object.setNumber(type, std::stoul(value));
            } catch (const std::logic_error&) {
                return std::nullopt;
            }
        } else if (word[eq + 1] == 'x' && value.size() % 2 == 0) {
            Bytes bytes(value.size() / 2);
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                const int high = hexDigitValue(value[2 * i]), low = hexDigitValue(value[2 * i + 1]);
                if (high < 0 || low < 0)
                    return std::nullopt;
                bytes[i] = static_cast<unsigned char>(high << 4 | low);
            }
            object.setBytes(type, std::move(bytes));
        } else {
            return std::nullopt;
        }
    }
    return object;
}

} // namespace softtoken
