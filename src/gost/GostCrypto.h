#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// GOST R 34.10-2001 key pairs, signatures and key agreement, GOST R 34.11-94 hashing and the
// CryptoPro key diversification, for the software token. Every number is 32 bytes, least
// significant byte first.
namespace gost {

enum class Curve { Test, CryptoProA, CryptoProB, CryptoProC };

using Scalar = std::array<std::uint8_t, 32>;
using Digest = std::array<std::uint8_t, 32>;
using Ukm = std::array<std::uint8_t, 8>;
using Key256 = std::array<std::uint8_t, 32>;

struct Point {
    Scalar x;
    Scalar y;
};

// A fresh private key in [1, q-1] and its public key; false when the random source fails.
bool generateKeyPair(Curve curve, Scalar& privateKey, Point& publicKey);

// d·P; false when d is zero or not below q.
bool publicKeyOf(Curve curve, const Scalar& privateKey, Point& publicKey);

// Signature (r, s) of the hash read as a number (e = hash mod q, 0 taken as 1);
// false when the random source fails or the key is out of range.
bool sign(Curve curve, const Scalar& privateKey, const Scalar& hash, Scalar& r, Scalar& s);

bool verify(Curve curve, const Point& publicKey, const Scalar& hash, const Scalar& r,
            const Scalar& s);

// GOST R 34.11-94 with the CryptoPro parameter set; the digest as the byte string the
// standard defines.
Digest hash3411(const std::uint8_t* data, std::size_t size);

// VKO GOST R 34.10-2001: the key encryption key shared by privateKey and peer for this UKM.
// The shared point is (UKM·d mod q)·peer with the UKM read as a little-endian number; the KEK
// is the GOST R 34.11-94 hash of its X then Y, each 32 bytes least significant byte first.
// False when the peer is not a point of the curve, the private key is not in [1, q-1] or the
// shared point is the infinity (a zero UKM).
bool vko(Curve curve, const Scalar& privateKey, const Point& peer, const Ukm& ukm, Key256& kek);

// CryptoPro key diversification of a 256-bit key by a UKM (RFC 4357, 6.5), GOST 28147-89
// with the CryptoPro-A S-box.
Key256 cryptoProDiversify(const Key256& key, const Ukm& ukm);

} // namespace gost
