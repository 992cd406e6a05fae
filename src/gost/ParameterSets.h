#pragma once

#include <cstddef>
#include <cstdint>

// The GOST R 34.10-2001 parameter sets the signer knows, chosen by the DER encoding of their
// object identifier.
namespace gost {

// One number of a parameter set: the value least significant byte first, zero-filled above
// its significant length, which the next byte gives.
struct Slot {
    std::uint8_t value[32];
    std::uint8_t length;
    std::uint8_t reserved[3];
};
static_assert(sizeof(Slot) == 36, "a parameter slot is 36 bytes");

// The curve y² = x³ + a·x + b over GF(p) with the base point (x, y) of prime order q.
struct ParameterSet {
    Slot a, b, p, q, x, y;
};
static_assert(sizeof(ParameterSet) == 6 * sizeof(Slot), "a parameter record is six slots");

// The set with this letter ('T' test, 'A', 'B', 'C' CryptoPro), or null.
const ParameterSet* parameterSetByLetter(char letter);

// The letter of the set named by this DER-encoded object identifier, or 0 when unknown.
char parameterSetLetter(const std::uint8_t* oidDer, std::size_t length);

// DER encoding of 1.2.643.2.2.35.1 (CryptoPro-A), the set the signer works on.
extern const std::uint8_t kSigningParameterSetOid[9];

} // namespace gost
