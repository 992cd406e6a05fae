#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Error.h"
#include "Tag.h"

// Object identifiers between the contents of their DER encoding and dotted text ("1.2.643.2.2.3").
namespace der {

// BadOid for empty contents, a sub-identifier with a leading 0x80 octet, one cut short, or one
// beyond 64 bits.
Error oidToText(const std::uint8_t* contents, std::size_t size, std::string& dotted);
// BadOidText unless the text is two or more decimal numbers joined by dots, without leading
// zeros, the first 0, 1 or 2 and, under 0 and 1, the second below 40.
Error oidFromText(const std::string& dotted, Bytes& contents);

} // namespace der
