#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Error.h"
#include "Tag.h"

// The character string types of X.509 names and their contents as UTF-8 text.
namespace der {

// UTF8String, PrintableString, IA5String, NumericString or BMPString.
bool isStringTag(Tag tag);

// The contents as UTF-8: BadString when they hold what the type does not allow (a character
// outside PrintableString's or NumericString's set, a byte above 0x7F in IA5String, malformed
// UTF-8, an odd-sized BMPString or one with a surrogate).
Error decodeString(Tag tag, const std::uint8_t* contents, std::size_t size, std::string& utf8);
// The contents for the type from UTF-8 text: BadValue when the text has a character the type
// cannot hold, BadString when it is not UTF-8.
Error encodeString(Tag tag, const std::string& utf8, Bytes& contents);

// The number of characters of valid UTF-8 text.
std::size_t characterCount(const std::string& utf8);

} // namespace der
