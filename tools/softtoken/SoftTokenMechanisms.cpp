#include "GostKeys.h"
#include "ObjectRules.h"
#include "SoftToken.h"

#include <Pkcs11Gost.h>
#include <RandomBytes.h>
#include <SecureWipe.h>
#include <algorithm>
#include <cstring>

// Mechanisms: the GOST R 34.10-2001 and 2012 key pairs, signatures and key agreement, random
// numbers; the Streebog digests are listed here and computed in SoftTokenDigests.cpp.
namespace softtoken {

namespace {

// The algorithms a mechanism takes keys of, as bits.
constexpr unsigned bitOf(KeyAlgorithm algorithm) {
    return 1u << unsigned(algorithm);
}
constexpr unsigned key2001 = bitOf(KeyAlgorithm::Gost2001);
constexpr unsigned key2012_256 = bitOf(KeyAlgorithm::Gost2012_256);
constexpr unsigned key2012_512 = bitOf(KeyAlgorithm::Gost2012_512);

// A mechanism, what it does and the kinds of key it takes (none for a digest).
struct MechanismEntry {
    CK_MECHANISM_TYPE type;
    CK_FLAGS flags;
    unsigned keyKinds;
};

const MechanismEntry mechanisms[] = {
    {CKM_GOSTR3410_KEY_PAIR_GEN, CKF_GENERATE_KEY_PAIR, key2001 | key2012_256},
    {CKM_GOSTR3410, CKF_SIGN, key2001 | key2012_256},
    {CKM_GOSTR3410_WITH_GOSTR3411, CKF_SIGN, key2001},
    {CKM_GOSTR3410_DERIVE, CKF_DERIVE, key2001},
    {CKM_GOSTR3411_12_256, CKF_DIGEST, 0},
    {CKM_GOSTR3411_12_512, CKF_DIGEST, 0},
    {CKM_GOSTR3410_512_KEY_PAIR_GEN, CKF_GENERATE_KEY_PAIR, key2012_512},
    {CKM_GOSTR3410_512, CKF_SIGN, key2012_512},
    {CKM_GOSTR3410_WITH_GOSTR3411_12_256, CKF_SIGN, key2012_256},
    {CKM_GOSTR3410_WITH_GOSTR3411_12_512, CKF_SIGN, key2012_512},
    {CKM_GOSTR3410_12_DERIVE, CKF_DERIVE, key2012_256 | key2012_512},
};

// The entry of a mechanism that does this (one of the flags), or null.
const MechanismEntry* findMechanism(CK_MECHANISM_TYPE type, CK_FLAGS use) {
    for (const MechanismEntry& entry : mechanisms)
        if (entry.type == type && entry.flags == use)
            return &entry;
    return nullptr;
}

// The raw signature mechanisms sign a hash the caller gives; the others hash the data first.
bool signsGivenHash(CK_MECHANISM_TYPE type) {
    return type == CKM_GOSTR3410 || type == CKM_GOSTR3410_512;
}

bool hasNoParameter(const CK_MECHANISM& mechanism) {
    return !mechanism.pParameter && mechanism.ulParameterLen == 0;
}

bool hasParameter(const CK_MECHANISM& mechanism, const Bytes& value) {
    return mechanism.pParameter && mechanism.ulParameterLen == value.size() &&
           std::memcmp(mechanism.pParameter, value.data(), value.size()) == 0;
}

// A hash-and-sign mechanism may name its digest's parameters: the CryptoPro set of
// GOST R 34.11-94 for a 2001 key, the Streebog of the key's size for a 2012 key.
bool isDigestParameter(const CK_MECHANISM& mechanism, const KeyParameters& key) {
    static const Bytes cryptoPro{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1E, 0x01};
    return hasParameter(mechanism,
                        key.is2012() ? digestParamsOf(key.algorithm, key.set) : cryptoPro);
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
            // Key sizes in bits; a digest takes no key.
            const bool takes256 = entry.keyKinds & (key2001 | key2012_256);
            const bool takes512 = entry.keyKinds & key2012_512;
            info->ulMinKeySize = takes256 ? 256 : takes512 ? 512 : 0;
            info->ulMaxKeySize = takes512 ? 512 : takes256 ? 256 : 0;
            info->flags = entry.flags;
            return CKR_OK;
        }
    }
    return CKR_MECHANISM_INVALID;
}

CK_RV SoftToken::usableKey(const Session& session, CK_OBJECT_HANDLE handle, CK_ATTRIBUTE_TYPE usage,
                           unsigned keyKinds, Object& key, KeyParameters& parameters) {
    if (loadObject(session, handle, key) != CKR_OK)
        return CKR_KEY_HANDLE_INVALID;
    if (!visible(session, key))
        return CKR_USER_NOT_LOGGED_IN;
    if (key.number(CKA_CLASS) != CKO_PRIVATE_KEY)
        return CKR_KEY_TYPE_INCONSISTENT;
    const auto named = keyParametersOf(key);
    if (!named || !(keyKinds & bitOf(named->algorithm)))
        return CKR_KEY_TYPE_INCONSISTENT;
    if (!key.flag(usage))
        return CKR_KEY_FUNCTION_NOT_PERMITTED;
    if (!key.find(CKA_VALUE))
        return CKR_KEY_TYPE_INCONSISTENT;
    parameters = *named;
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
    const MechanismEntry* entry = findMechanism(mechanism->mechanism, CKF_SIGN);
    if (!entry)
        return CKR_MECHANISM_INVALID;
    const bool givenHash = signsGivenHash(entry->type);
    if (givenHash && !hasNoParameter(*mechanism))
        return CKR_MECHANISM_PARAM_INVALID;
    Object key;
    KeyParameters parameters;
    if (CK_RV rv = usableKey(*session, keyHandle, CKA_SIGN, entry->keyKinds, key, parameters))
        return rv;
    if (!givenHash && !hasNoParameter(*mechanism) && !isDigestParameter(*mechanism, parameters))
        return CKR_MECHANISM_PARAM_INVALID;
    session->signing.emplace();
    session->signing->mechanism = entry->type;
    session->signing->parameters = parameters;
    session->signing->key = *key.find(CKA_VALUE);
    return CKR_OK;
}

CK_RV SoftToken::finishSignature(Signing& signing, const Bytes& data, CK_BYTE_PTR signature,
                                 CK_ULONG_PTR signatureLength) {
    const bool givenHash = signsGivenHash(signing.mechanism);
    const std::size_t size = signing.parameters.size();
    if (givenHash && data.size() != size)
        return CKR_DATA_LEN_RANGE;
    const CK_ULONG signatureSize = CK_ULONG(2 * size);
    if (!signature) {
        *signatureLength = signatureSize;
        return CKR_OK;
    }
    if (*signatureLength < signatureSize) {
        *signatureLength = signatureSize;
        return CKR_BUFFER_TOO_SMALL;
    }
    Bytes result;
    const Bytes hash = givenHash ? data : hashForSignature(signing.parameters, data);
    if (CK_RV rv = signHash(signing.parameters, signing.key, hash.data(), result))
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
    return updateOperation(session->signing, part, length,
                           [](Signing& signing, CK_BYTE_PTR bytes, CK_ULONG size) {
                               // A raw mechanism signs one hash in one part.
                               if (signsGivenHash(signing.mechanism))
                                   return CKR_DATA_LEN_RANGE;
                               if (size > 0)
                                   signing.data.insert(signing.data.end(), bytes, bytes + size);
                               return CKR_OK;
                           });
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
    if (!findMechanism(mechanism->mechanism, CKF_GENERATE_KEY_PAIR))
        return CKR_MECHANISM_INVALID;
    if (!hasNoParameter(*mechanism))
        return CKR_MECHANISM_PARAM_INVALID;
    std::vector<Object> keys(2);
    if (CK_RV rv = readTemplate(publicTemplate, publicCount, keys[0]))
        return rv;
    if (CK_RV rv = readTemplate(privateTemplate, privateCount, keys[1]))
        return rv;
    if (CK_RV rv = generateKeyPairObjects(keys[0], keys[1], mechanism->mechanism))
        return rv;
    for (const Object& key : keys)
        if (CK_RV rv = mayChange(*session, key))
            return rv;
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
    const MechanismEntry* entry = findMechanism(mechanism->mechanism, CKF_DERIVE);
    if (!entry)
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
    KeyParameters parameters;
    if (CK_RV rv = usableKey(*session, base, CKA_DERIVE, entry->keyKinds, baseKey, parameters))
        return rv;
    std::vector<Object> derived(1);
    if (CK_RV rv = readTemplate(templ, count, derived[0]))
        return rv;
    if (CK_RV rv = prepareDerivedKey(derived[0], entry->type))
        return rv;
    if (CK_RV rv = mayChange(*session, derived[0]))
        return rv;
    const Bytes& privateValue = *baseKey.find(CKA_VALUE);
    Bytes value;
    const CK_RV rv =
        parameters.is2012()
            ? deriveKey2012(parameters, privateValue, peer, ukm, params.kdf, value)
            : softtoken::deriveKey(parameters.curve(), privateValue, peer, ukm, params.kdf, value);
    if (rv != CKR_OK)
        return rv;
    derived[0].setBytes(CKA_VALUE, std::move(value));
    if (CK_RV added = addObjects(handle, derived))
        return added;
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
