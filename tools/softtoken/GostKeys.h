#pragma once

#include "Object.h"

#include <GostCrypto.h>
#include <optional>

// The GOST R 34.10-2001 mechanisms on PKCS#11 byte strings. A public CKA_VALUE is X then Y, a
// private CKA_VALUE is d, each 32 bytes least significant byte first; a hash to sign is 32 bytes
// least significant byte first; a signature is s then r, each most significant byte first.
namespace softtoken {

// The curve that a DER object identifier in CKA_GOSTR3410_PARAMS names.
std::optional<gost::Curve> curveOf(const Bytes& parameters);

// CKR_FUNCTION_FAILED when the random source fails.
CK_RV generateKeyPair(gost::Curve curve, Bytes& publicValue, Bytes& privateValue);

// True for a 32-byte private value in [1, q-1].
bool isValidPrivateValue(gost::Curve curve, const Bytes& privateValue);

// hash: 32 bytes, least significant first. signature: 64 bytes.
CK_RV signHash(gost::Curve curve, const Bytes& privateValue, const unsigned char* hash,
               Bytes& signature);

// The hash that CKM_GOSTR3410_WITH_GOSTR3411 signs.
Bytes hashForSignature(const Bytes& data);

// VKO GOST R 34.10-2001 with the peer's 64-byte public value and an 8-byte UKM, diversified
// by the UKM when kdf is CKD_CPDIVERSIFY_KDF. CKR_MECHANISM_PARAM_INVALID for a peer that is
// not on the curve.
CK_RV deriveKey(gost::Curve curve, const Bytes& privateValue, const Bytes& peer, const Bytes& ukm,
                CK_ULONG kdf, Bytes& key);

} // namespace softtoken
