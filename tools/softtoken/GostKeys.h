#pragma once

#include "Object.h"

#include <GostCrypto.h>
#include <KeyAlgorithm.h>
#include <optional>

// The GOST R 34.10-2001 and 2012 mechanisms on PKCS#11 byte strings. A public CKA_VALUE is X
// then Y, a private CKA_VALUE is d, each keySize bytes least significant byte first; a hash to
// sign is keySize bytes least significant byte first (a Streebog digest as the hash writes it);
// a signature is s then r, each most significant byte first.
namespace softtoken {

// What a GOST key's attributes make it: its algorithm and its curve (see keyAlgorithmOf).
struct KeyParameters {
    KeyAlgorithm algorithm = KeyAlgorithm::Gost2001;
    gost::ParamSet2012 set = gost::ParamSet2012::B256;

    bool is2012() const { return algorithm != KeyAlgorithm::Gost2001; }
    // 32 or 64 bytes.
    std::size_t size() const { return gost::keySize(set); }
    // The 2001 signer's name of a 2001 key's curve.
    gost::Curve curve() const;
};

// The key of an object's CKA_KEY_TYPE, CKA_GOSTR3410_PARAMS and CKA_GOSTR3411_PARAMS; nothing
// when they name none.
std::optional<KeyParameters> keyParametersOf(const Object& key);
// The same from a key type and the two parameters' values (digestParams null when absent).
std::optional<KeyParameters> keyParametersOf(CK_KEY_TYPE type, const Bytes& params,
                                             const Bytes* digestParams);

// CKR_FUNCTION_FAILED when the random source fails.
CK_RV generateKeyPair(const KeyParameters& key, Bytes& publicValue, Bytes& privateValue);

// True for a private value of the key's size in [1, q-1].
bool isValidPrivateValue(const KeyParameters& key, const Bytes& privateValue);

// hash: key.size() bytes, least significant first. signature: 2 * key.size() bytes.
CK_RV signHash(const KeyParameters& key, const Bytes& privateValue, const unsigned char* hash,
               Bytes& signature);

// The hash that the key's hash-and-sign mechanism signs: GOST R 34.11-94 with the CryptoPro
// parameters for a 2001 key, Streebog of the key's size for a 2012 key.
Bytes hashForSignature(const KeyParameters& key, const Bytes& data);

// VKO GOST R 34.10-2001 with the peer's 64-byte public value and an 8-byte UKM, diversified
// by the UKM when kdf is CKD_CPDIVERSIFY_KDF. CKR_MECHANISM_PARAM_INVALID for a peer that is
// not on the curve.
CK_RV deriveKey(gost::Curve curve, const Bytes& privateValue, const Bytes& peer, const Bytes& ukm,
                CK_ULONG kdf, Bytes& key);

// VKO GOST R 34.10-2012 with Streebog-256 (kdf CKD_KDF_GOSTR3411_2012_256), a 32-byte key, with
// the peer's public value (2 * key.size() bytes) and a UKM of 1 to key.size() bytes read as a
// little-endian number. CKR_MECHANISM_PARAM_INVALID for another kdf or size, a zero UKM, and a
// peer that is not on the curve or has small order.
CK_RV deriveKey2012(const KeyParameters& key, const Bytes& privateValue, const Bytes& peer,
                    const Bytes& ukm, CK_ULONG kdf, Bytes& derived);

} // namespace softtoken
