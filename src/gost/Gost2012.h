#pragma once

#include <cstddef>
#include <cstdint>

// GOST R 34.10-2012 key pairs, signatures and VKO key agreement on the TC26 parameter sets
// (RFC 7836) and the test sets of the standard's examples. Every number is keySize(set) bytes
// least significant byte first, as the 2001 functions take theirs; a public key is X then Y;
// a hash is the Streebog digest as it comes out of the hash (read as a little-endian number).
//
// Signing and key agreement run in time independent of the private key and the nonce.
namespace gost {

enum class ParamSet2012 {
    Test256, // the 256-bit example curve of GOST R 34.10-2012 (= GOST R 34.10-2001's test set)
    A256,    // id-tc26-gost-3410-2012-256-paramSetA (cofactor 4)
    B256,    // paramSetB = CryptoPro-A
    C256,    // paramSetC = CryptoPro-B
    D256,    // paramSetD = CryptoPro-C
    Test512, // the 512-bit example curve of GOST R 34.10-2012
    A512,    // id-tc26-gost-3410-12-512-paramSetA
    B512,    // id-tc26-gost-3410-12-512-paramSetB
    C512,    // id-tc26-gost-3410-2012-512-paramSetC (cofactor 4)
};

constexpr ParamSet2012 kParamSets2012[] = {
    ParamSet2012::Test256, ParamSet2012::A256, ParamSet2012::B256,
    ParamSet2012::C256,    ParamSet2012::D256, ParamSet2012::Test512,
    ParamSet2012::A512,    ParamSet2012::B512, ParamSet2012::C512};

// 32 or 64: the size of a private key, a coordinate, a hash and each half of a signature.
std::size_t keySize(ParamSet2012 set);

// The set named by this DER-encoded object identifier (TC26 and, for B, C, D, the CryptoPro
// names of the same curves); false when none is.
bool paramSet2012ByOid(const std::uint8_t* oidDer, std::size_t length, ParamSet2012& set);

// The DER encoding of the set's own (TC26) object identifier, and its length.
const std::uint8_t* oidOf(ParamSet2012 set, std::size_t& length);

// The DER encoding of the CryptoPro signature-set name (1.2.643.2.2.35.x) of the set's curve,
// the name that GOST R 34.10-2001 keys carry, and its length; null for a set without one (A256
// and the 512-bit sets).
const std::uint8_t* cryptoProOidOf(ParamSet2012 set, std::size_t& length);

// The DER encoding of the object identifier of the Streebog digest that a key of this set
// signs with (1.2.643.7.1.1.2.2 for 256-bit keys, 1.2.643.7.1.1.2.3 for 512-bit ones), and its
// length.
const std::uint8_t* digestOidOf(ParamSet2012 set, std::size_t& length);

// The curve's numbers, most significant digit first, as the standards print them.
struct ParamSet2012Text {
    const char* p;
    const char* a;
    const char* b;
    const char* q;
    const char* x;
    const char* y;
    unsigned cofactor;
};
const ParamSet2012Text& parametersOf(ParamSet2012 set);

// A fresh private key in [1, q-1] and its public key; false when the random source fails.
bool generateKeyPair2012(ParamSet2012 set, std::uint8_t* privateKey, std::uint8_t* publicKey);

// d·P; false when d is zero or not below q.
bool publicKeyOf2012(ParamSet2012 set, const std::uint8_t* privateKey, std::uint8_t* publicKey);

// Signature (r, s) of a hash of keySize bytes (e = hash mod q, 0 taken as 1); false when the
// random source fails or the key is out of range.
bool sign2012(ParamSet2012 set, const std::uint8_t* privateKey, const std::uint8_t* hash,
              std::uint8_t* r, std::uint8_t* s);

// The same with a given nonce k in [1, q-1] (the standard's examples); false when k is out of
// range or yields r = 0 or s = 0.
bool sign2012WithNonce(ParamSet2012 set, const std::uint8_t* privateKey, const std::uint8_t* hash,
                       const std::uint8_t* k, std::uint8_t* r, std::uint8_t* s);

// False for r or s outside [1, q-1], a public key that is not a point of the curve, and a
// signature that does not match.
bool verify2012(ParamSet2012 set, const std::uint8_t* publicKey, const std::uint8_t* hash,
                const std::uint8_t* r, const std::uint8_t* s);

// Whether (X, Y) is a point of the curve (coordinates below p).
bool isOnCurve2012(ParamSet2012 set, const std::uint8_t* publicKey);

// VKO GOST R 34.10-2012 (RFC 7836, 4.3): the point (cofactor·UKM·d mod q)·peer, hashed as X
// then Y (keySize bytes each, least significant first) by Streebog with a digest of
// digestSize (32 or 64) bytes written to kek. The UKM is read as a little-endian number.
// False when the peer is not a point of the curve or has small order (cofactor·peer is the
// infinity), the private key is not in [1, q-1], or the UKM is zero.
bool vko2012(ParamSet2012 set, const std::uint8_t* privateKey, const std::uint8_t* peer,
             const std::uint8_t* ukm, std::size_t ukmSize, std::size_t digestSize,
             std::uint8_t* kek);

} // namespace gost
