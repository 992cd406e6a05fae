#include "GostKeys.h"
#include "ObjectRules.h"
#include "SoftToken.h"

#include <Pkcs11Gost.h>
#include <RandomBytes.h>
#include <SecureWipe.h>
#include <algorithm>
#include <cstring>

// Mechanisms: the GOST R 34.10-2001 key pair, signatures and key agreement, random numbers; the
// Streebog digests are listed here and computed in SoftTokenDigests.cpp.
namespace softtoken {

namespace {

constexpr CK_ULONG signatureSize = 64;

struct MechanismEntry {
    CK_MECHANISM_TYPE type;
    CK_FLAGS flags;
};

const MechanismEntry mechanisms[] = {
    {CKM_GOSTR3410_KEY_PAIR_GEN, CKF_GENERATE_KEY_PAIR},
    {CKM_GOSTR3410, CKF_SIGN},
    {CKM_GOSTR3410_WITH_GOSTR3411, CKF_SIGN},
    {CKM_GOSTR3410_DERIVE, CKF_DERIVE},
    {CKM_GOSTR3411_12_256, CKF_DIGEST},
    {CKM_GOSTR3411_12_512, CKF_DIGEST},
};

bool hasNoParameter(const CK_MECHANISM& mechanism) {
    return !mechanism.pParameter && mechanism.ulParameterLen == 0;
}

// CKM_GOSTR3410_WITH_GOSTR3411 may name the hash parameters; only the CryptoPro set exists here.
bool isCryptoProHashParameter(const CK_MECHANISM& mechanism) {
    static const unsigned char oid[] = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1E, 0x01};
    return mechanism.pParameter && mechanism.ulParameterLen == sizeof oid &&
           std::memcmp(mechanism.pParameter, oid, sizeof oid) == 0;
}

} // namespace

CK_RV SoftToken::getMechanismList(CK_SLOT_ID id, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count) {
    if (!count)
        return CKR_ARGUMENTS_BAD;
    if (id >= slots_.size())
        return CKR_SLOT_ID_INVALID;
    if (!presentSlot(id))
        return CKR_TOKEN_NOT_PRESENT;
    const CK_ULONG n = sizeof mechanisms / sizeof mechanisms[0];
    if (list && *count < n) {
        *count = n;
        return CKR_BUFFER_TOO_SMALL;
    }
    if (list)
        for (CK_ULONG i = 0; i < n; ++i)
            list[i] = mechanisms[i].type;
    *count = n;
    return CKR_OK;
}

CK_RV SoftToken::getMechanismInfo(CK_SLOT_ID id, CK_MECHANISM_TYPE type,
                                  CK_MECHANISM_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    if (id >= slots_.size())
        return CKR_SLOT_ID_INVALID;
    if (!presentSlot(id))
        return CKR_TOKEN_NOT_PRESENT;
    for (const MechanismEntry& entry : mechanisms) {
        if (entry.type == type) {
            // A digest takes no key.
            const CK_ULONG keyBits = entry.flags == CKF_DIGEST ? 0 : 256;
            info->ulMinKeySize = keyBits;
            info->ulMaxKeySize = keyBits;
            info->flags = entry.flags;
            return CKR_OK;
        }
    }
    return CKR_MECHANISM_INVALID;
}

CK_RV SoftToken::usableKey(const Session& session, CK_OBJECT_HANDLE handle, CK_ATTRIBUTE_TYPE usage,
                           Object& key, gost::Curve& curve) {
    if (loadObject(session, handle, key) != CKR_OK)
        return CKR_KEY_HANDLE_INVALID;
    if (!visible(session, key))
        return CKR_USER_NOT_LOGGED_IN;
    if (key.number(CKA_CLASS) != CKO_PRIVATE_KEY || key.number(CKA_KEY_TYPE) != CKK_GOSTR3410)
        return CKR_KEY_TYPE_INCONSISTENT;
    if (!key.flag(usage))
        return CKR_KEY_FUNCTION_NOT_PERMITTED;
    const Bytes* params = key.find(CKA_GOSTR3410_PARAMS);
    const auto named = params ? curveOf(*params) : std::nullopt;
    if (!named || !key.find(CKA_VALUE))
        return CKR_KEY_TYPE_INCONSISTENT;
    curve = *named;
    return CKR_OK;
}

CK_RV SoftToken::signInit(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism,
                          CK_OBJECT_HANDLE keyHandle) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!mechanism)
        return CKR_ARGUMENTS_BAD;
    if (session->signing)
        return CKR_OPERATION_ACTIVE;
    if (mechanism->mechanism == CKM_GOSTR3410) {
        if (!hasNoParameter(*mechanism))
            return CKR_MECHANISM_PARAM_INVALID;
    } else if (mechanism->mechanism == CKM_GOSTR3410_WITH_GOSTR3411) {
        if (!hasNoParameter(*mechanism) && !isCryptoProHashParameter(*mechanism))
            return CKR_MECHANISM_PARAM_INVALID;
    } else {
        return CKR_MECHANISM_INVALID;
    }
    Object key;
    gost::Curve curve;
    if (CK_RV rv = usableKey(*session, keyHandle, CKA_SIGN, key, curve))
        return rv;
    session->signing.emplace();
    session->signing->mechanism = mechanism->mechanism;
    session->signing->curve = curve;
    session->signing->key = *key.find(CKA_VALUE);
    return CKR_OK;
}

CK_RV SoftToken::finishSignature(Signing& signing, const Bytes& data, CK_BYTE_PTR signature,
                                 CK_ULONG_PTR signatureLength) {
    if (signing.mechanism == CKM_GOSTR3410 && data.size() != 32)
        return CKR_DATA_LEN_RANGE;
    if (!signature) {
        *signatureLength = signatureSize;
        return CKR_OK;
    }
    if (*signatureLength < signatureSize) {
        *signatureLength = signatureSize;
        return CKR_BUFFER_TOO_SMALL;
    }
    Bytes result;
    const Bytes hash = signing.mechanism == CKM_GOSTR3410 ? data : hashForSignature(data);
    if (CK_RV rv = signHash(signing.curve, signing.key, hash.data(), result))
        return rv;
    std::copy(result.begin(), result.end(), signature);
    *signatureLength = signatureSize;
    return CKR_OK;
}

CK_RV SoftToken::sign(CK_SESSION_HANDLE handle, CK_BYTE_PTR data, CK_ULONG length,
                      CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    return finishOnePart(session->signing, data, length, signature, signatureLength,
                         [&](Signing& signing, const Bytes& bytes) {
                             return finishSignature(signing, bytes, signature, signatureLength);
                         });
}

CK_RV SoftToken::signUpdate(CK_SESSION_HANDLE handle, CK_BYTE_PTR part, CK_ULONG length) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!session->signing)
        return CKR_OPERATION_NOT_INITIALIZED;
    CK_RV rv = CKR_OK;
    if (!part && length > 0)
        rv = CKR_ARGUMENTS_BAD;
    else if (session->signing->mechanism != CKM_GOSTR3410_WITH_GOSTR3411)
        rv = CKR_DATA_LEN_RANGE; // the raw mechanism signs one 32-byte hash in one part
    if (rv != CKR_OK) {
        session->signing.reset();
        return rv;
    }
    Bytes& gathered = session->signing->data;
    if (length > 0)
        gathered.insert(gathered.end(), part, part + length);
    session->signing->multiPart = true;
    return CKR_OK;
}

CK_RV SoftToken::signFinal(CK_SESSION_HANDLE handle, CK_BYTE_PTR signature,
                           CK_ULONG_PTR signatureLength) {
    Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    return finishOperation(session->signing, signature, signatureLength, [&](Signing& signing) {
        return finishSignature(signing, signing.data, signature, signatureLength);
    });
}

CK_RV SoftToken::generateKeyPair(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism,
                                 CK_ATTRIBUTE_PTR publicTemplate, CK_ULONG publicCount,
                                 CK_ATTRIBUTE_PTR privateTemplate, CK_ULONG privateCount,
                                 CK_OBJECT_HANDLE_PTR publicKey, CK_OBJECT_HANDLE_PTR privateKey) {
    const Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!mechanism || !publicKey || !privateKey)
        return CKR_ARGUMENTS_BAD;
    if (mechanism->mechanism != CKM_GOSTR3410_KEY_PAIR_GEN)
        return CKR_MECHANISM_INVALID;
    if (!hasNoParameter(*mechanism))
        return CKR_MECHANISM_PARAM_INVALID;
    std::vector<Object> keys(2);
    if (CK_RV rv = readTemplate(publicTemplate, publicCount, keys[0]))
        return rv;
    if (CK_RV rv = readTemplate(privateTemplate, privateCount, keys[1]))
        return rv;
    gost::Curve curve;
    if (CK_RV rv = prepareKeyPair(keys[0], keys[1], curve))
        return rv;
    for (const Object& key : keys)
        if (CK_RV rv = mayChange(*session, key))
            return rv;
    Bytes publicValue, privateValue;
    if (CK_RV rv = softtoken::generateKeyPair(curve, publicValue, privateValue))
        return rv;
    keys[0].setBytes(CKA_VALUE, std::move(publicValue));
    keys[1].setBytes(CKA_VALUE, std::move(privateValue));
    if (CK_RV rv = addObjects(handle, keys))
        return rv;
    *publicKey = keys[0].handle;
    *privateKey = keys[1].handle;
    return CKR_OK;
}

CK_RV SoftToken::deriveKey(CK_SESSION_HANDLE handle, CK_MECHANISM_PTR mechanism,
                           CK_OBJECT_HANDLE base, CK_ATTRIBUTE_PTR templ, CK_ULONG count,
                           CK_OBJECT_HANDLE_PTR keyHandle) {
    const Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (!mechanism || !keyHandle)
        return CKR_ARGUMENTS_BAD;
    if (mechanism->mechanism != CKM_GOSTR3410_DERIVE)
        return CKR_MECHANISM_INVALID;
    if (!mechanism->pParameter || mechanism->ulParameterLen != sizeof(CK_GOSTR3410_DERIVE_PARAMS))
        return CKR_MECHANISM_PARAM_INVALID;
    CK_GOSTR3410_DERIVE_PARAMS params;
    std::memcpy(&params, mechanism->pParameter, sizeof params);
    if ((!params.pPublicData && params.ulPublicDataLen > 0) ||
        (!params.pUKM && params.ulUKMLen > 0))
        return CKR_MECHANISM_PARAM_INVALID;
    const Bytes peer = params.pPublicData
                           ? Bytes(params.pPublicData, params.pPublicData + params.ulPublicDataLen)
                           : Bytes();
    const Bytes ukm = params.pUKM ? Bytes(params.pUKM, params.pUKM + params.ulUKMLen) : Bytes();

    Object baseKey;
    gost::Curve curve;
    if (CK_RV rv = usableKey(*session, base, CKA_DERIVE, baseKey, curve))
        return rv;
    std::vector<Object> derived(1);
    if (CK_RV rv = readTemplate(templ, count, derived[0]))
        return rv;
    if (CK_RV rv = prepareDerivedKey(derived[0]))
        return rv;
    if (CK_RV rv = mayChange(*session, derived[0]))
        return rv;
    Bytes value;
    if (CK_RV rv =
            softtoken::deriveKey(curve, *baseKey.find(CKA_VALUE), peer, ukm, params.kdf, value))
        return rv;
    derived[0].setBytes(CKA_VALUE, std::move(value));
    if (CK_RV rv = addObjects(handle, derived))
        return rv;
    *keyHandle = derived[0].handle;
    return CKR_OK;
}

CK_RV SoftToken::generateRandom(CK_SESSION_HANDLE handle, CK_BYTE_PTR data, CK_ULONG length) {
    if (!findSession(handle))
        return CKR_SESSION_HANDLE_INVALID;
    if (!data && length > 0)
        return CKR_ARGUMENTS_BAD;
    std::uint8_t block[32];
    for (CK_ULONG done = 0; done < length;) {
        if (!gost::randomBytes(block))
            return CKR_FUNCTION_FAILED;
        const CK_ULONG n = std::min<CK_ULONG>(sizeof block, length - done);
        std::memcpy(data + done, block, n);
        done += n;
    }
    secureWipe(block, sizeof block);
    return CKR_OK;
}

} // namespace softtoken
