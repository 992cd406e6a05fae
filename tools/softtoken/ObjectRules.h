#pragma once

#include "GostKeys.h"
#include "Object.h"

// What a created, generated or derived object must hold and what it gets by default.
namespace softtoken {

// An object from C_CreateObject: CKA_CLASS required; certificates, data objects, GOST public
// and private keys (2001 and 2012) and GOST 28147 secret keys, each with its required values
// checked.
CK_RV completeCreatedObject(Object& object);

// The templates of C_GenerateKeyPair with CKM_GOSTR3410_KEY_PAIR_GEN (CKK_GOSTR3410: 2001 and
// 2012 256-bit keys) or CKM_GOSTR3410_512_KEY_PAIR_GEN (CKK_GOSTR3410_512), to which the values
// are then added: the key comes from CKA_GOSTR3410_PARAMS and CKA_GOSTR3411_PARAMS of either
// template (the same when both give them). A 2012 key gets its digest's CKA_GOSTR3411_PARAMS.
CK_RV prepareKeyPair(Object& publicKey, Object& privateKey, CK_MECHANISM_TYPE mechanism,
                     KeyParameters& parameters);

// prepareKeyPair, then a new key pair's values added: publicKey and privateKey become the pair.
CK_RV generateKeyPairObjects(Object& publicKey, Object& privateKey, CK_MECHANISM_TYPE mechanism);

// The template of C_DeriveKey with this mechanism: a GOST 28147-89 secret key.
CK_RV prepareDerivedKey(Object& key, CK_MECHANISM_TYPE mechanism);

} // namespace softtoken
