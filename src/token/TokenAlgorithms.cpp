// The Token operations that follow a container's key algorithm: GOST R 34.10-2001 and 2012 keys.
#include "Exception.h"
#include "Pkcs11Gost.h"
#include "Token.h"

#include <cstring>

namespace {

// The failures of keys and kinds that name no algorithm, as a module would answer them.
[[noreturn]] void refuse(const char* context, CK_RV rv) {
    throw Pkcs11Exception(context, rv);
}

} // namespace

KeyKind Token::getKeyAlgorithm(const std::string& name) {
    const CK_OBJECT_HANDLE key = obtainPublicKey(name);
    const Bytes type = getAttributeValue(CKA_KEY_TYPE, key);
    const std::optional<Bytes> params = findAttributeValue(CKA_GOSTR3410_PARAMS, key);
    const std::optional<Bytes> digestParams = findAttributeValue(CKA_GOSTR3411_PARAMS, key);
    CK_KEY_TYPE keyType = 0;
    if (type.size() != sizeof keyType || !params)
        refuse("getKeyAlgorithm", CKR_KEY_TYPE_INCONSISTENT);
    std::memcpy(&keyType, type.data(), sizeof keyType);
    gost::ParamSet2012 set;
    const auto algorithm =
        keyAlgorithmOf(keyType, *params, digestParams ? &*digestParams : nullptr, set);
    if (!algorithm)
        refuse("getKeyAlgorithm", CKR_KEY_TYPE_INCONSISTENT);
    return KeyKind{*algorithm, *params};
}

Bytes Token::generateContainer(const std::string& name, const KeyKind& kind) {
    const KeyMechanisms& mechanisms = mechanismsOf(kind.algorithm);
    gost::ParamSet2012 set;
    if (!gost::paramSet2012ByOid(kind.parameterSet.data(), kind.parameterSet.size(), set))
        refuse("generateContainer", CKR_ATTRIBUTE_VALUE_INVALID);
    const Bytes digestParams = digestParamsOf(kind.algorithm, set);
    const Bytes* digest = digestParams.empty() ? nullptr : &digestParams;
    if (keyAlgorithmOf(mechanisms.keyType, kind.parameterSet, digest, set) != kind.algorithm)
        refuse("generateContainer", CKR_ATTRIBUTE_VALUE_INVALID);

    // The domain parameters go with the public key only, as PKCS#11 has them.
    KvwTemplate publicKey(CKO_PUBLIC_KEY, name);
    KvwTemplate privateKey(CKO_PRIVATE_KEY, name);
    for (Template* t : {static_cast<Template*>(&publicKey), static_cast<Template*>(&privateKey)}) {
        addKeyType(*t, mechanisms.keyType);
        addDerive(*t);
    }
    addAttribute<CKA_GOSTR3410_PARAMS>(publicKey, kind.parameterSet);
    if (digest)
        addAttribute<CKA_GOSTR3411_PARAMS>(publicKey, digestParams);
    return generatePair(name, mechanisms.generate, publicKey, privateKey, "generateContainer");
}

Bytes Token::signHashByAlgorithm(const std::string& name, const Bytes& hash) {
    return signWith(mechanismsOf(getKeyAlgorithm(name).algorithm).signHash, name, hash);
}

Bytes Token::hashAndSignByAlgorithm(const std::string& name, const Bytes& data) {
    return signWith(mechanismsOf(getKeyAlgorithm(name).algorithm).hashAndSign, name, data);
}

Bytes Token::deriveKey2012(const std::string& name, const Bytes& publicKey, const Bytes& ukm) {
    return deriveWith(name, CKM_GOSTR3410_12_DERIVE, CKD_KDF_GOSTR3411_2012_256, publicKey, ukm);
}
