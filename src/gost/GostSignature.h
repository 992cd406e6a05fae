#pragma once

#include <cstdint>

// GOST R 34.10-2001 signature generation and verification on a parameter set chosen by its
// letter. Numbers are 32-byte strings, least significant byte first; a signature is r then s.
namespace gost {

// Fills 32 bytes with the next nonce candidate; false when none can be had.
using NonceSource = bool (*)(std::uint8_t* nonce, void* context);

// Signs hash with key, drawing nonces until r and s are both non-zero. Returns 0, or the
// signer's failure code (2 random source or infinity, 3 unknown set, 15, 17); nothing is
// written to signature on failure.
unsigned signHash(char letter, std::uint8_t* signature, const std::uint8_t* key,
                  const std::uint8_t* hash, NonceSource nextNonce, void* context);

// The same with one given nonce, as the standard's worked example is written; a nonce that
// gives r = 0 or s = 0 fails with 2. For checks only: a reused nonce reveals the key.
unsigned signHashWithNonce(char letter, std::uint8_t* signature, const std::uint8_t* key,
                           const std::uint8_t* hash, const std::uint8_t* nonce);

// Whether (r, s) is a valid signature of hash under the public key (x, y).
bool verifyHash(char letter, const std::uint8_t* x, const std::uint8_t* y, const std::uint8_t* hash,
                const std::uint8_t* r, const std::uint8_t* s);

} // namespace gost
