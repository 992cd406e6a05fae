#include "NameRules.h"

#include "Strings.h"

namespace der {

namespace {

// Upper bounds from RFC 5280 appendix A (ub-name 32768 for the parts of a person's name);
// street address from X.520; domain components by RFC 1035's label. The Russian numbers are
// NumericStrings of a fixed number of digits (Order on qualified certificates): OGRN 13,
// SNILS 11, INN 12, INNLE 10, OGRNIP 15.
const AttributeRule kRules[] = {
    {"2.5.4.3", kUtf8String, 1, 64},                    // commonName
    {"2.5.4.4", kUtf8String, 1, 32768},                 // surname
    {"2.5.4.5", kPrintableString, 1, 64},               // serialNumber
    {"2.5.4.6", kPrintableString, 2, 2},                // countryName
    {"2.5.4.7", kUtf8String, 1, 128},                   // localityName
    {"2.5.4.8", kUtf8String, 1, 128},                   // stateOrProvinceName
    {"2.5.4.9", kUtf8String, 1, 128},                   // streetAddress
    {"2.5.4.10", kUtf8String, 1, 64},                   // organizationName
    {"2.5.4.11", kUtf8String, 1, 64},                   // organizationalUnitName
    {"2.5.4.12", kUtf8String, 1, 64},                   // title
    {"2.5.4.42", kUtf8String, 1, 32768},                // givenName
    {"2.5.4.43", kUtf8String, 1, 32768},                // initials
    {"2.5.4.44", kUtf8String, 1, 32768},                // generationQualifier
    {"2.5.4.46", kPrintableString, 1, 64},              // dnQualifier
    {"2.5.4.65", kUtf8String, 1, 128},                  // pseudonym
    {"1.2.840.113549.1.9.1", kIa5String, 1, 255},       // emailAddress
    {"0.9.2342.19200300.100.1.25", kIa5String, 1, 63},  // domainComponent
    {"0.9.2342.19200300.100.1.1", kUtf8String, 1, 256}, // userId
    {"1.2.643.100.1", kNumericString, 13, 13},          // OGRN
    {"1.2.643.100.3", kNumericString, 11, 11},          // SNILS
    {"1.2.643.3.131.1.1", kNumericString, 12, 12},      // INN
    {"1.2.643.100.4", kNumericString, 10, 10},          // INNLE
    {"1.2.643.100.5", kNumericString, 15, 15},          // OGRNIP
};

} // namespace

const AttributeRule* attributeRule(const std::string& oid) {
    for (const AttributeRule& rule : kRules)
        if (oid == rule.oid)
            return &rule;
    return nullptr;
}

Error checkAttributeValue(const AttributeRule& rule, const std::string& value) {
    Bytes encoded;
    if (const Error e = encodeString(rule.stringTag, value, encoded); e != Error::None)
        return e;
    // Control characters (a NUL that ends the name early for C code, a line break that
    // forges another line where the name is shown) have no place in a name.
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return Error::BadValue;
    const std::size_t characters = characterCount(value);
    if (characters > rule.maximum)
        return Error::ValueTooLong;
    if (characters < rule.minimum)
        return Error::ValueTooShort;
    return Error::None;
}

} // namespace der
