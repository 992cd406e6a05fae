#pragma once

#include <cstdint>
#include <vector>

namespace der {

using Bytes = std::vector<std::uint8_t>;

// A tag as one number: the class and constructed bits of the identifier octet in the top
// three bits, the tag number (below 2^29) in the rest.
using Tag = std::uint32_t;

constexpr Tag kConstructed = 0x20u << 24;
constexpr Tag kApplication = 0x40u << 24;
constexpr Tag kContextSpecific = 0x80u << 24;
constexpr Tag kPrivate = 0xC0u << 24;
constexpr Tag kTagNumberMask = (1u << 29) - 1;

constexpr Tag kBoolean = 1;
constexpr Tag kInteger = 2;
constexpr Tag kBitString = 3;
constexpr Tag kOctetString = 4;
constexpr Tag kNull = 5;
constexpr Tag kOid = 6;
constexpr Tag kUtf8String = 12;
constexpr Tag kNumericString = 18;
constexpr Tag kPrintableString = 19;
constexpr Tag kTeletexString = 20;
constexpr Tag kIa5String = 22;
constexpr Tag kUtcTime = 23;
constexpr Tag kGeneralizedTime = 24;
constexpr Tag kUniversalString = 28;
constexpr Tag kBmpString = 30;
constexpr Tag kSequence = 16 | kConstructed;
constexpr Tag kSet = 17 | kConstructed;

// [n] in context-specific class: constructed for EXPLICIT and for IMPLICIT constructed types.
constexpr Tag contextTag(std::uint32_t number, bool constructed) {
    return kContextSpecific | (constructed ? kConstructed : 0) | number;
}

} // namespace der
