#pragma once

#include "Object.h"

#include <GostCrypto.h>

// What a created, generated or derived object must hold and what it gets by default.
namespace softtoken {

// An object from C_CreateObject: CKA_CLASS required; certificates, data objects, GOST public
// and private keys and GOST 28147 secret keys, each with its required values checked.
CK_RV completeCreatedObject(Object& object);

// The templates of C_GenerateKeyPair, to which the values are then added: the curve comes from
// CKA_GOSTR3410_PARAMS of either template (the same when both give it).
CK_RV prepareKeyPair(Object& publicKey, Object& privateKey, gost::Curve& curve);

// The template of C_DeriveKey: a GOST 28147-89 secret key.
CK_RV prepareDerivedKey(Object& key);

} // namespace softtoken
