#include "ObjectRules.h"

#include "CertificateFields.h"
#include "GostKeys.h"

#include <Pkcs11Gost.h>

namespace softtoken {

namespace {

// Attributes that only the token sets.
bool hasTokenOnlyAttribute(const Object& object) {
    for (CK_ATTRIBUTE_TYPE type :
         {CKA_LOCAL, CKA_ALWAYS_SENSITIVE, CKA_NEVER_EXTRACTABLE, CKA_KEY_GEN_MECHANISM})
        if (object.find(type))
            return true;
    return false;
}

void commonDefaults(Object& object, bool isPrivate) {
    object.defaultFlag(CKA_TOKEN, false);
    object.defaultFlag(CKA_PRIVATE, isPrivate);
    object.defaultFlag(CKA_MODIFIABLE, true);
    object.defaultFlag(CKA_COPYABLE, true);
    object.defaultFlag(CKA_DESTROYABLE, true);
    object.defaultBytes(CKA_LABEL, {});
}

void keyDefaults(Object& object) {
    object.defaultBytes(CKA_ID, {});
    object.defaultBytes(CKA_START_DATE, {});
    object.defaultBytes(CKA_END_DATE, {});
    object.defaultFlag(CKA_DERIVE, false);
    object.defaultFlag(CKA_LOCAL, false);
    // Usages these keys never serve, answered rather than left unknown.
    for (CK_ATTRIBUTE_TYPE usage :
         {CKA_ENCRYPT, CKA_DECRYPT, CKA_WRAP, CKA_UNWRAP, CKA_SIGN_RECOVER, CKA_VERIFY_RECOVER})
        object.defaultFlag(usage, false);
    object.defaultNumber(CKA_KEY_GEN_MECHANISM, CK_UNAVAILABLE_INFORMATION);
}

void secretDefaults(Object& object) {
    object.defaultFlag(CKA_SENSITIVE, true);
    object.defaultFlag(CKA_EXTRACTABLE, false);
    object.defaultFlag(CKA_ALWAYS_SENSITIVE, false);
    object.defaultFlag(CKA_NEVER_EXTRACTABLE, false);
    object.defaultFlag(CKA_ALWAYS_AUTHENTICATE, false);
    object.defaultFlag(CKA_WRAP_WITH_TRUSTED, false);
}

// The names default to those the value holds, so that a certificate stored without them (as the
// plug-in stores one) still shows whose it is; a value that is not one gives empty names.
void certificateDefaults(Object& object) {
    const Bytes& value = *object.find(CKA_VALUE);
    if (auto fields = readCertificateFields(value.data(), value.size())) {
        object.defaultBytes(CKA_SUBJECT, std::move(fields->subject));
        object.defaultBytes(CKA_ISSUER, std::move(fields->issuer));
        object.defaultBytes(CKA_SERIAL_NUMBER, std::move(fields->serialNumber));
    }
    for (CK_ATTRIBUTE_TYPE name : {CKA_ID, CKA_SUBJECT, CKA_ISSUER, CKA_SERIAL_NUMBER})
        object.defaultBytes(name, {});
    object.defaultFlag(CKA_TRUSTED, false);
}

CK_RV checkKeyType(const Object& object, CK_KEY_TYPE expected) {
    const Bytes* type = object.find(CKA_KEY_TYPE);
    if (type && object.number(CKA_KEY_TYPE) != expected)
        return CKR_TEMPLATE_INCONSISTENT;
    return CKR_OK;
}

CK_RV completeGostKey(Object& object, CK_OBJECT_CLASS objectClass) {
    const Bytes* params = object.find(CKA_GOSTR3410_PARAMS);
    const Bytes* value = object.find(CKA_VALUE);
    if (!params || !value)
        return CKR_TEMPLATE_INCOMPLETE;
    const auto key = keyParametersOf(object);
    if (!key)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    if (objectClass == CKO_PUBLIC_KEY) {
        if (value->size() != 2 * key->size())
            return CKR_ATTRIBUTE_VALUE_INVALID;
        object.defaultFlag(CKA_VERIFY, true);
    } else {
        if (!isValidPrivateValue(*key, *value))
            return CKR_ATTRIBUTE_VALUE_INVALID;
        object.defaultFlag(CKA_SIGN, true);
        secretDefaults(object);
    }
    return CKR_OK;
}

// The one value two templates give for an attribute: null when neither gives it, false when
// they give different ones.
bool sharedValue(const Object& first, const Object& second, CK_ATTRIBUTE_TYPE type,
                 const Bytes*& value) {
    const Bytes* a = first.find(type);
    const Bytes* b = second.find(type);
    value = a ? a : b;
    return !(a && b && *a != *b);
}

} // namespace

CK_RV completeCreatedObject(Object& object) {
    if (!object.find(CKA_CLASS))
        return CKR_TEMPLATE_INCOMPLETE;
    if (hasTokenOnlyAttribute(object))
        return CKR_ATTRIBUTE_READ_ONLY;
    const CK_OBJECT_CLASS objectClass = object.number(CKA_CLASS);
    switch (objectClass) {
    case CKO_DATA:
        commonDefaults(object, false);
        object.defaultBytes(CKA_APPLICATION, {});
        object.defaultBytes(CKA_VALUE, {});
        return CKR_OK;
    case CKO_CERTIFICATE:
        if (!object.find(CKA_VALUE))
            return CKR_TEMPLATE_INCOMPLETE;
        object.defaultNumber(CKA_CERTIFICATE_TYPE, CKC_X_509);
        if (object.number(CKA_CERTIFICATE_TYPE) != CKC_X_509)
            return CKR_ATTRIBUTE_VALUE_INVALID;
        commonDefaults(object, false);
        certificateDefaults(object);
        return CKR_OK;
    case CKO_PUBLIC_KEY:
    case CKO_PRIVATE_KEY: {
        if (!object.find(CKA_KEY_TYPE))
            return CKR_TEMPLATE_INCOMPLETE;
        if (object.number(CKA_KEY_TYPE) != CKK_GOSTR3410_512 &&
            object.number(CKA_KEY_TYPE) != CKK_GOSTR3410)
            return CKR_TEMPLATE_INCONSISTENT;
        commonDefaults(object, objectClass == CKO_PRIVATE_KEY);
        keyDefaults(object);
        return completeGostKey(object, objectClass);
    }
    case CKO_SECRET_KEY: {
        if (!object.find(CKA_KEY_TYPE))
            return CKR_TEMPLATE_INCOMPLETE;
        if (object.number(CKA_KEY_TYPE) != CKK_GOST28147 &&
            object.number(CKA_KEY_TYPE) != CKK_GENERIC_SECRET)
            return CKR_TEMPLATE_INCONSISTENT;
        const Bytes* value = object.find(CKA_VALUE);
        if (!value)
            return CKR_TEMPLATE_INCOMPLETE;
        if (object.number(CKA_KEY_TYPE) == CKK_GOST28147 && value->size() != 32)
            return CKR_ATTRIBUTE_VALUE_INVALID;
        commonDefaults(object, true);
        keyDefaults(object);
        secretDefaults(object);
        object.setNumber(CKA_VALUE_LEN, value->size());
        return CKR_OK;
    }
    default:
        return CKR_ATTRIBUTE_VALUE_INVALID;
    }
}

CK_RV prepareKeyPair(Object& publicKey, Object& privateKey, CK_MECHANISM_TYPE mechanism,
                     KeyParameters& parameters) {
    if (hasTokenOnlyAttribute(publicKey) || hasTokenOnlyAttribute(privateKey) ||
        publicKey.find(CKA_VALUE) || privateKey.find(CKA_VALUE))
        return CKR_TEMPLATE_INCONSISTENT;
    if (publicKey.number(CKA_CLASS, CKO_PUBLIC_KEY) != CKO_PUBLIC_KEY ||
        privateKey.number(CKA_CLASS, CKO_PRIVATE_KEY) != CKO_PRIVATE_KEY)
        return CKR_TEMPLATE_INCONSISTENT;
    const CK_KEY_TYPE keyType =
        mechanism == CKM_GOSTR3410_512_KEY_PAIR_GEN ? CKK_GOSTR3410_512 : CKK_GOSTR3410;
    if (CK_RV rv = checkKeyType(publicKey, keyType))
        return rv;
    if (CK_RV rv = checkKeyType(privateKey, keyType))
        return rv;
    const Bytes *params, *digestParams;
    if (!sharedValue(publicKey, privateKey, CKA_GOSTR3410_PARAMS, params) ||
        !sharedValue(publicKey, privateKey, CKA_GOSTR3411_PARAMS, digestParams))
        return CKR_TEMPLATE_INCONSISTENT;
    if (!params)
        return CKR_TEMPLATE_INCOMPLETE;
    const auto named = keyParametersOf(keyType, *params, digestParams);
    if (!named)
        return CKR_ATTRIBUTE_VALUE_INVALID;
    parameters = *named;
    // Copies: the templates' own values change below.
    const Bytes paramsValue = *params;
    const Bytes digestValue = digestParamsOf(parameters.algorithm, parameters.set);

    for (Object* key : {&publicKey, &privateKey}) {
        const bool isPrivate = key == &privateKey;
        key->setNumber(CKA_CLASS, isPrivate ? CKO_PRIVATE_KEY : CKO_PUBLIC_KEY);
        key->setNumber(CKA_KEY_TYPE, keyType);
        key->setBytes(CKA_GOSTR3410_PARAMS, paramsValue);
        if (parameters.is2012())
            key->setBytes(CKA_GOSTR3411_PARAMS, digestValue);
        commonDefaults(*key, isPrivate);
        keyDefaults(*key);
        key->setFlag(CKA_LOCAL, true);
        key->setNumber(CKA_KEY_GEN_MECHANISM, mechanism);
    }
    publicKey.defaultFlag(CKA_VERIFY, true);
    privateKey.defaultFlag(CKA_SIGN, true);
    secretDefaults(privateKey);
    privateKey.setFlag(CKA_ALWAYS_SENSITIVE, privateKey.flag(CKA_SENSITIVE));
    privateKey.setFlag(CKA_NEVER_EXTRACTABLE, !privateKey.flag(CKA_EXTRACTABLE));
    return CKR_OK;
}

CK_RV generateKeyPairObjects(Object& publicKey, Object& privateKey, CK_MECHANISM_TYPE mechanism) {
    KeyParameters parameters;
    if (CK_RV rv = prepareKeyPair(publicKey, privateKey, mechanism, parameters))
        return rv;
    Bytes publicValue, privateValue;
    if (CK_RV rv = generateKeyPair(parameters, publicValue, privateValue))
        return rv;
    publicKey.setBytes(CKA_VALUE, std::move(publicValue));
    privateKey.setBytes(CKA_VALUE, std::move(privateValue));
    return CKR_OK;
}

CK_RV prepareDerivedKey(Object& key, CK_MECHANISM_TYPE mechanism) {
    if (hasTokenOnlyAttribute(key) || key.find(CKA_VALUE))
        return CKR_TEMPLATE_INCONSISTENT;
    if (key.number(CKA_CLASS, CKO_SECRET_KEY) != CKO_SECRET_KEY)
        return CKR_TEMPLATE_INCONSISTENT;
    if (CK_RV rv = checkKeyType(key, CKK_GOST28147))
        return rv;
    key.setNumber(CKA_CLASS, CKO_SECRET_KEY);
    key.setNumber(CKA_KEY_TYPE, CKK_GOST28147);
    commonDefaults(key, true);
    keyDefaults(key);
    secretDefaults(key);
    key.setNumber(CKA_KEY_GEN_MECHANISM, mechanism);
    key.setNumber(CKA_VALUE_LEN, 32);
    return CKR_OK;
}

} // namespace softtoken
