#pragma once

#include <cstdint>

// GOST R 34.10-2001 signature of a ready hash on the CryptoPro-A curve, with a fresh random
// nonce per call. key and hash: 32 bytes each, least significant byte first. signature: 64
// bytes, r then s, each least significant byte first; with no buffer, 64 is stored in
// *signatureLength (size query). Returns 0; 1 no or too small length; 2 key or hash not 32
// bytes, random source failed or the point at infinity met; 3 unknown parameter set; 15 zero
// modulus; 17 no inverse. Nothing is written to signature on failure.
unsigned kvcSignHash(std::uint8_t* signature, std::uint32_t* signatureLength,
                     const std::uint8_t* key, std::uint32_t keyLength, const std::uint8_t* hash,
                     std::uint32_t hashLength);
