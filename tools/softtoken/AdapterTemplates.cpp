#include "AdapterTemplates.h"

#include "CertificateFields.h"

#include <KeyAlgorithm.h>
#include <Pkcs11Gost.h>
#include <algorithm>
#include <cstring>

namespace softtoken {

namespace {

using Bytes = std::vector<unsigned char>;

Bytes numberBytes(CK_ULONG value) {
    Bytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

Bytes flagBytes(bool value) {
    return Bytes{static_cast<unsigned char>(value ? CK_TRUE : CK_FALSE)};
}

// DER object identifiers: GOST R 34.11-94 with the CryptoPro parameters (1.2.643.2.2.30.1), the
// set that the GOST signature mechanisms hash with; GOST 28147-89 CryptoPro-A (1.2.643.2.2.31.1),
// the set of the CryptoPro key diversification.
const Bytes cryptoProHashParameters{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1E, 0x01};
const Bytes cryptoProAEncryptionParameters{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1F, 0x01};

void addIfAbsent(AdaptedTemplate& t, CK_ATTRIBUTE_TYPE type, Bytes value) {
    if (!t.find(type))
        t.add(type, std::move(value));
}

} // namespace

AdaptedTemplate::AdaptedTemplate(const CK_ATTRIBUTE* attributes, CK_ULONG count)
    : entries_(attributes, attributes + count) {}

const CK_ATTRIBUTE* AdaptedTemplate::find(CK_ATTRIBUTE_TYPE type) const {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const CK_ATTRIBUTE& a) { return a.type == type; });
    return it == entries_.end() ? nullptr : &*it;
}

std::optional<CK_ULONG> AdaptedTemplate::number(CK_ATTRIBUTE_TYPE type) const {
    const CK_ATTRIBUTE* a = find(type);
    if (!a || !a->pValue || a->ulValueLen != sizeof(CK_ULONG))
        return std::nullopt;
    CK_ULONG value;
    std::memcpy(&value, a->pValue, sizeof value);
    return value;
}

std::optional<Bytes> AdaptedTemplate::bytes(CK_ATTRIBUTE_TYPE type) const {
    const CK_ATTRIBUTE* a = find(type);
    if (!a || (!a->pValue && a->ulValueLen > 0))
        return std::nullopt;
    const auto* begin = static_cast<const unsigned char*>(a->pValue);
    return a->ulValueLen ? Bytes(begin, begin + a->ulValueLen) : Bytes();
}

void AdaptedTemplate::add(CK_ATTRIBUTE_TYPE type, Bytes value) {
    Bytes& stored = added_.emplace_back(std::move(value));
    entries_.push_back(CK_ATTRIBUTE{type, stored.empty() ? nullptr : stored.data(),
                                    static_cast<CK_ULONG>(stored.size())});
}

void AdaptedTemplate::remove(CK_ATTRIBUTE_TYPE type) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const CK_ATTRIBUTE& a) { return a.type == type; }),
                   entries_.end());
}

void completeCertificate(AdaptedTemplate& t) {
    if (t.number(CKA_CLASS) != CKO_CERTIFICATE)
        return;
    const bool typeGiven = t.find(CKA_CERTIFICATE_TYPE) != nullptr;
    if (typeGiven && t.number(CKA_CERTIFICATE_TYPE) != CKC_X_509)
        return;
    const auto value = t.bytes(CKA_VALUE);
    if (!value)
        return;
    auto fields = readCertificateFields(value->data(), value->size());
    if (!fields)
        return;
    if (!typeGiven)
        t.add(CKA_CERTIFICATE_TYPE, numberBytes(CKC_X_509));
    addIfAbsent(t, CKA_SUBJECT, std::move(fields->subject));
    addIfAbsent(t, CKA_ISSUER, std::move(fields->issuer));
    addIfAbsent(t, CKA_SERIAL_NUMBER, std::move(fields->serialNumber));
}

void completeGostKeyPair(AdaptedTemplate& publicKey, AdaptedTemplate& privateKey) {
    for (CK_ATTRIBUTE_TYPE type :
         {CKA_GOSTR3410_PARAMS, CKA_GOSTR3411_PARAMS, CKA_GOST28147_PARAMS}) {
        const auto inPrivate = privateKey.bytes(type);
        if (!inPrivate)
            continue;
        if (!publicKey.find(type))
            publicKey.add(type, *inPrivate);
        else if (publicKey.bytes(type) != inPrivate)
            continue; // two different sets: the module's to refuse
        privateKey.remove(type);
    }
    const auto params = publicKey.bytes(CKA_GOSTR3410_PARAMS);
    if (params && !publicKey.find(CKA_GOSTR3411_PARAMS)) {
        // A 2012 key on a TC26 set hashes with Streebog-256; any other with GOST R 34.11-94.
        gost::ParamSet2012 set;
        const auto algorithm = keyAlgorithmOf(CKK_GOSTR3410, *params, nullptr, set);
        publicKey.add(CKA_GOSTR3411_PARAMS, algorithm == KeyAlgorithm::Gost2012_256
                                                ? digestParamsOf(*algorithm, set)
                                                : cryptoProHashParameters);
    }
    addIfAbsent(publicKey, CKA_PRIVATE, flagBytes(false));
    addIfAbsent(privateKey, CKA_SIGN, flagBytes(true));
}

void completeDerivedKey(AdaptedTemplate& t) {
    if (t.number(CKA_KEY_TYPE) != CKK_GOST28147)
        return;
    addIfAbsent(t, CKA_GOST28147_PARAMS, cryptoProAEncryptionParameters);
}

CK_RV forwardCreateObject(CK_FUNCTION_LIST_PTR next, CK_SESSION_HANDLE session,
                          CK_ATTRIBUTE_PTR templ, CK_ULONG count, CK_OBJECT_HANDLE_PTR object) {
    if (!templ) // nothing to read: the module answers as it will
        return next->C_CreateObject(session, templ, count, object);
    AdaptedTemplate t(templ, count);
    completeCertificate(t);
    return next->C_CreateObject(session, t.attributes(), t.count(), object);
}

CK_RV forwardGenerateKeyPair(CK_FUNCTION_LIST_PTR next, CK_SESSION_HANDLE session,
                             CK_MECHANISM_PTR mechanism, CK_ATTRIBUTE_PTR publicTemplate,
                             CK_ULONG publicCount, CK_ATTRIBUTE_PTR privateTemplate,
                             CK_ULONG privateCount, CK_OBJECT_HANDLE_PTR publicKey,
                             CK_OBJECT_HANDLE_PTR privateKey) {
    if (!mechanism || mechanism->mechanism != CKM_GOSTR3410_KEY_PAIR_GEN ||
        (!publicTemplate && publicCount > 0) || (!privateTemplate && privateCount > 0))
        return next->C_GenerateKeyPair(session, mechanism, publicTemplate, publicCount,
                                       privateTemplate, privateCount, publicKey, privateKey);
    AdaptedTemplate publicT(publicTemplate, publicCount);
    AdaptedTemplate privateT(privateTemplate, privateCount);
    completeGostKeyPair(publicT, privateT);
    return next->C_GenerateKeyPair(session, mechanism, publicT.attributes(), publicT.count(),
                                   privateT.attributes(), privateT.count(), publicKey, privateKey);
}

CK_RV forwardDeriveKey(CK_FUNCTION_LIST_PTR next, CK_SESSION_HANDLE session,
                       CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE base, CK_ATTRIBUTE_PTR templ,
                       CK_ULONG count, CK_OBJECT_HANDLE_PTR key) {
    if (!mechanism || mechanism->mechanism != CKM_GOSTR3410_DERIVE || !templ)
        return next->C_DeriveKey(session, mechanism, base, templ, count, key);
    AdaptedTemplate t(templ, count);
    completeDerivedKey(t);
    return next->C_DeriveKey(session, mechanism, base, t.attributes(), t.count(), key);
}

} // namespace softtoken
