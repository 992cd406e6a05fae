// The Token operations that create, remove and use a container's key objects.
#include "Exception.h"
#include "Pkcs11Call.h"
#include "Pkcs11Gost.h"
#include "Token.h"

namespace {

// New key pair objects of a container: CryptoPro-A keys on the token, usable for key agreement.
void addNewKeyAttributes(Template& t) {
    addKeyType(t, CKK_GOSTR3410);
    addGostR3410Params(t);
    addDerive(t);
}

CK_BYTE_PTR bytesOrNull(const Bytes& bytes) {
    // The module reads these; the header's structure is not const.
    return bytes.empty() ? nullptr : const_cast<CK_BYTE_PTR>(bytes.data());
}

// Destroys a derived key object that an exception would otherwise leave behind.
class DerivedKeyGuard {
public:
    DerivedKeyGuard(CK_FUNCTION_LIST_PTR f, CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key)
        : m_f(f), m_session(session), m_key(key) {}
    DerivedKeyGuard(const DerivedKeyGuard&) = delete;
    DerivedKeyGuard& operator=(const DerivedKeyGuard&) = delete;
    ~DerivedKeyGuard() {
        if (m_key != CK_INVALID_HANDLE)
            m_f->C_DestroyObject(m_session, m_key);
    }
    void release() { m_key = CK_INVALID_HANDLE; }

private:
    CK_FUNCTION_LIST_PTR m_f;
    CK_SESSION_HANDLE m_session;
    CK_OBJECT_HANDLE m_key;
};

} // namespace

Bytes Token::createContainer(const std::string& name) {
    KvwTemplate publicKey(CKO_PUBLIC_KEY, name);
    addNewKeyAttributes(publicKey);
    KvwTemplate privateKey(CKO_PRIVATE_KEY, name);
    addNewKeyAttributes(privateKey);
    return generatePair(name, CKM_GOSTR3410_KEY_PAIR_GEN, publicKey, privateKey, "createContainer");
}

Bytes Token::generatePair(const std::string& name, CK_MECHANISM_TYPE mechanism, Template& publicKey,
                          Template& privateKey, const char* context) {
    for (CK_OBJECT_CLASS existing : {CKO_CERTIFICATE, CKO_PUBLIC_KEY, CKO_PRIVATE_KEY}) {
        KvwTemplate t(existing, name);
        if (findSingleObject(t) != CK_INVALID_HANDLE)
            throw Exception(-21, context);
    }
    CK_MECHANISM m{mechanism, nullptr, 0};
    CK_OBJECT_HANDLE publicHandle = CK_INVALID_HANDLE;
    CK_OBJECT_HANDLE privateHandle = CK_INVALID_HANDLE;
    pkcs11Call("C_GenerateKeyPair", functionList->C_GenerateKeyPair, session, &m,
               publicKey.ckAttributes(), publicKey.count(), privateKey.ckAttributes(),
               privateKey.count(), &publicHandle, &privateHandle);
    return getAttributeValue(CKA_VALUE, publicHandle);
}

void Token::destroyContainer(const std::string& name) {
    KvwTemplate certificateTemplate(CKO_CERTIFICATE, name);
    const CK_OBJECT_HANDLE certificate = findSingleObject(certificateTemplate);
    const CK_OBJECT_HANDLE privateKey = obtainPrivateKey(name);
    const CK_OBJECT_HANDLE publicKey = obtainPublicKey(name);

    pkcs11Call("C_DestroyObject", functionList->C_DestroyObject, session, privateKey);
    pkcs11Call("C_DestroyObject", functionList->C_DestroyObject, session, publicKey);
    if (certificate != CK_INVALID_HANDLE)
        pkcs11Call("C_DestroyObject", functionList->C_DestroyObject, session, certificate);
}

Bytes Token::deriveKey(const std::string& name, const Bytes& publicKey, const Bytes& ukm) {
    return deriveWith(name, CKM_GOSTR3410_DERIVE, CKD_CPDIVERSIFY_KDF, publicKey, ukm);
}

Bytes Token::deriveWith(const std::string& name, CK_MECHANISM_TYPE mechanism, CK_ULONG kdf,
                        const Bytes& publicKey, const Bytes& ukm) {
    const CK_OBJECT_HANDLE privateKey = obtainPrivateKey(name);

    CK_GOSTR3410_DERIVE_PARAMS params{kdf, bytesOrNull(publicKey),
                                      static_cast<CK_ULONG>(publicKey.size()), bytesOrNull(ukm),
                                      static_cast<CK_ULONG>(ukm.size())};
    CK_MECHANISM m{mechanism, &params, sizeof(params)};
    Template secret;
    addAttribute<CKA_CLASS>(secret, CKO_SECRET_KEY);
    addKeyType(secret, CKK_GOST28147);
    addAttribute<CKA_TOKEN>(secret, CK_FALSE);
    addAttribute<CKA_SENSITIVE>(secret, CK_FALSE);
    addAttribute<CKA_EXTRACTABLE>(secret, CK_TRUE);

    CK_OBJECT_HANDLE derived = CK_INVALID_HANDLE;
    pkcs11Call("C_DeriveKey", functionList->C_DeriveKey, session, &m, privateKey,
               secret.ckAttributes(), secret.count(), &derived);
    DerivedKeyGuard guard(functionList, session, derived);
    Bytes value = getAttributeValue(CKA_VALUE, derived);
    guard.release();
    // "C_DestoryObject" is this failure's established context text.
    pkcs11Call("C_DestoryObject", functionList->C_DestroyObject, session, derived);
    return value;
}

void Token::importCertificate(const std::string& name, const Bytes& certificate) {
    KvwTemplate existing(CKO_CERTIFICATE, name);
    if (findSingleObject(existing) != CK_INVALID_HANDLE)
        throw Exception(-21, "importCertificate");

    KvwTemplate t(CKO_CERTIFICATE, name);
    addAttribute<CKA_PRIVATE>(t, CK_FALSE);
    addValue(t, certificate);
    CK_OBJECT_HANDLE created = CK_INVALID_HANDLE;
    pkcs11Call("C_CreateObject", functionList->C_CreateObject, session, t.ckAttributes(), t.count(),
               &created);
}
