#pragma once

#include <list>
#include <optional>
#include <p11-kit/pkcs11.h>
#include <vector>

// Adapter mode: what kvpkcs11 adds to a caller's templates before the next module sees them.
// The plug-in's templates suit kvpkcs11, which supplies what they leave out; a conformant vendor
// module refuses them for want of attributes that PKCS#11 requires, or chooses defaults that the
// plug-in's later calls cannot work with. Only attributes the caller left out are added (or a
// key pair's domain parameters moved to the public key's template); nothing it gave changes.
namespace softtoken {

// A copy of a caller's template that can take more attributes; it owns the values it adds, and
// the caller's own values stay where they are.
class AdaptedTemplate {
public:
    AdaptedTemplate(const CK_ATTRIBUTE* attributes, CK_ULONG count);

    const CK_ATTRIBUTE* find(CK_ATTRIBUTE_TYPE type) const;
    // A value the caller gave readably: a CK_ULONG of its size, bytes with a pointer.
    std::optional<CK_ULONG> number(CK_ATTRIBUTE_TYPE type) const;
    std::optional<std::vector<unsigned char>> bytes(CK_ATTRIBUTE_TYPE type) const;

    void add(CK_ATTRIBUTE_TYPE type, std::vector<unsigned char> value);
    void remove(CK_ATTRIBUTE_TYPE type);

    CK_ATTRIBUTE_PTR attributes() { return entries_.empty() ? nullptr : entries_.data(); }
    CK_ULONG count() const { return static_cast<CK_ULONG>(entries_.size()); }

private:
    std::vector<CK_ATTRIBUTE> entries_;
    std::list<std::vector<unsigned char>> added_; // never moves what the entries point at
};

// C_CreateObject of an X.509 certificate: CKA_CERTIFICATE_TYPE, CKA_SUBJECT, CKA_ISSUER and
// CKA_SERIAL_NUMBER from the DER of CKA_VALUE. A value that is not a certificate, or another
// certificate type, leaves the template as it was.
void completeCertificate(AdaptedTemplate& t);

// C_GenerateKeyPair with CKM_GOSTR3410_KEY_PAIR_GEN: the pair's domain parameters belong in the
// public key's template (PKCS#11 forbids them in the private key's), the digest's parameters
// are required beside the curve's (Streebog-256 for a TC26 set, else GOST R 34.11-94), the
// public key is public (containers are found by public search) and the private key may sign.
void completeGostKeyPair(AdaptedTemplate& publicKey, AdaptedTemplate& privateKey);

// C_DeriveKey with CKM_GOSTR3410_DERIVE into a GOST 28147-89 key: its CKA_GOST28147_PARAMS,
// which the key type requires.
void completeDerivedKey(AdaptedTemplate& t);

// The forwarding of those three calls, each with its template completed.
CK_RV forwardCreateObject(CK_FUNCTION_LIST_PTR next, CK_SESSION_HANDLE session,
                          CK_ATTRIBUTE_PTR templ, CK_ULONG count, CK_OBJECT_HANDLE_PTR object);
CK_RV forwardGenerateKeyPair(CK_FUNCTION_LIST_PTR next, CK_SESSION_HANDLE session,
                             CK_MECHANISM_PTR mechanism, CK_ATTRIBUTE_PTR publicTemplate,
                             CK_ULONG publicCount, CK_ATTRIBUTE_PTR privateTemplate,
                             CK_ULONG privateCount, CK_OBJECT_HANDLE_PTR publicKey,
                             CK_OBJECT_HANDLE_PTR privateKey);
CK_RV forwardDeriveKey(CK_FUNCTION_LIST_PTR next, CK_SESSION_HANDLE session,
                       CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE base, CK_ATTRIBUTE_PTR templ,
                       CK_ULONG count, CK_OBJECT_HANDLE_PTR key);

} // namespace softtoken
