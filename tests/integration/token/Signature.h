#pragma once

#include "GostCrypto.h"
#include "Token.h"

// True when a token's signature (s then r, most significant byte first) of a hash (a number
// least significant byte first) verifies with the public key the token returned (X then Y,
// least significant byte first), CryptoPro-A curve.
bool tokenSignatureVerifies(const Bytes& publicKey, const Bytes& hash, const Bytes& signature);

// The number that a token signs for data under CKM_GOSTR3410_WITH_GOSTR3411.
Bytes hashOf(const Bytes& data);
