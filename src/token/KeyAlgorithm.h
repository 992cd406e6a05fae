#pragma once

#include <Gost2012.h>
#include <p11-kit/pkcs11.h>

#include <cstddef>
#include <optional>
#include <vector>

// The algorithms of GOST keys as PKCS#11 tokens hold them, shared by the plug-in's token layer
// and the software token: which algorithm a key's attributes name, and the key type and
// mechanisms of each algorithm (TC26's extension for the 2012 ones).

enum class KeyAlgorithm { Gost2001, Gost2012_256, Gost2012_512 };

// A key by algorithm and parameter set: the DER object identifier of its CKA_GOSTR3410_PARAMS.
struct KeyKind {
    KeyAlgorithm algorithm;
    std::vector<unsigned char> parameterSet;

    bool operator==(const KeyKind& other) const {
        return algorithm == other.algorithm && parameterSet == other.parameterSet;
    }
};

// The algorithm that a key type and the DER object identifiers of CKA_GOSTR3410_PARAMS and (null
// when absent) CKA_GOSTR3411_PARAMS name, and in set the curve (a 2001 key's as the 2012 set
// with the same numbers). CKK_GOSTR3410 is a 2001 key on a CryptoPro set, or a 2012 key when a
// TC26 set is named or its digest is Streebog-256; CKK_GOSTR3410_512 is a 2012 key on a 512-bit
// set. Nothing for an unknown set, a set of the other key size, another key type, or a 2012 key
// whose digest parameter names another digest than its own.
std::optional<KeyAlgorithm> keyAlgorithmOf(CK_KEY_TYPE keyType,
                                           const std::vector<unsigned char>& params,
                                           const std::vector<unsigned char>* digestParams,
                                           gost::ParamSet2012& set);

// What PKCS#11 calls an algorithm's keys and operations.
struct KeyMechanisms {
    CK_KEY_TYPE keyType;
    CK_MECHANISM_TYPE generate;    // the key pair
    CK_MECHANISM_TYPE signHash;    // a hash of keySize bytes, least significant first
    CK_MECHANISM_TYPE hashAndSign; // the data, hashed in the token
    CK_MECHANISM_TYPE derive;      // VKO of the algorithm
    std::size_t keySize;           // bytes of a private key, a hash, each half of a signature
};
const KeyMechanisms& mechanismsOf(KeyAlgorithm algorithm);

// The DER object identifier of the CKA_GOSTR3411_PARAMS of a 2012 key on this set (Streebog of
// its size); empty for a 2001 key.
std::vector<unsigned char> digestParamsOf(KeyAlgorithm algorithm, gost::ParamSet2012 set);
