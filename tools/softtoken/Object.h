#pragma once

#include <map>
#include <optional>
#include <p11-kit/pkcs11.h>
#include <string>
#include <vector>

// A token or session object: its handle and attributes. Numbers are held as native CK_ULONG
// bytes and booleans as one byte 0 or 1, so that templates compare byte for byte.
namespace softtoken {

using Bytes = std::vector<unsigned char>;

enum class AttributeKind { Unknown, Number, Flag, Bytes };

AttributeKind attributeKind(CK_ATTRIBUTE_TYPE type);

class Object {
public:
    Object() = default;
    Object(const Object&) = default;
    Object(Object&&) = default;
    Object& operator=(const Object&) = default;
    Object& operator=(Object&&) = default;
    ~Object(); // wipes every value: private keys live here

    CK_OBJECT_HANDLE handle = 0;
    std::map<CK_ATTRIBUTE_TYPE, Bytes> attributes;

    const Bytes* find(CK_ATTRIBUTE_TYPE type) const;
    CK_ULONG number(CK_ATTRIBUTE_TYPE type, CK_ULONG fallback = 0) const;
    bool flag(CK_ATTRIBUTE_TYPE type, bool fallback = false) const;

    void setBytes(CK_ATTRIBUTE_TYPE type, Bytes value);
    void setNumber(CK_ATTRIBUTE_TYPE type, CK_ULONG value);
    void setFlag(CK_ATTRIBUTE_TYPE type, bool value);
    // Sets only when the attribute is absent.
    void defaultNumber(CK_ATTRIBUTE_TYPE type, CK_ULONG value);
    void defaultFlag(CK_ATTRIBUTE_TYPE type, bool value);
    void defaultBytes(CK_ATTRIBUTE_TYPE type, Bytes value);

    // Every attribute of the template is present with exactly the template's bytes; a sensitive
    // value never matches.
    bool matches(const CK_ATTRIBUTE* attributes, CK_ULONG count) const;

    bool isToken() const { return flag(CKA_TOKEN); }
    bool isPrivate() const { return flag(CKA_PRIVATE); }
    // A key whose CKA_VALUE may not leave the token.
    bool isSensitiveValue() const;
};

// Reads a caller's template into typed values: CKR_ATTRIBUTE_TYPE_INVALID for an unknown type,
// CKR_ATTRIBUTE_VALUE_INVALID for a number or flag of the wrong length, CKR_TEMPLATE_INCONSISTENT
// for a type given twice, CKR_ARGUMENTS_BAD for a null value with a length.
CK_RV readTemplate(const CK_ATTRIBUTE* attributes, CK_ULONG count, Object& out);

// One line of the token file, "object <handle> <type>=<value> ...", numbers written as decimal
// so that the file is the same on 32- and 64-bit platforms.
std::string formatObject(const Object& object);
std::optional<Object> parseObject(const std::string& line);

} // namespace softtoken
