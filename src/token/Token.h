#pragma once

#include "KeyAlgorithm.h"
#include "Template.h"

#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class Pkcs11;

using Bytes = std::vector<unsigned char>;

// One read-write session on the first token, for the length of one scripting call. The module
// lock is held from the session's opening to its closing, so sessions never overlap.
class Token {
public:
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;
    // Closes the session if close() was not called; never throws.
    virtual ~Token();

    // Ends the session and releases the module lock. When C_CloseSession fails, the slot's
    // sessions are closed all at once, so that no session outlives the lock, and the failure is
    // passed on.
    virtual void close();
    virtual Bytes sign(const std::string& name, const Bytes& data) = 0;
    virtual Bytes hashSign(const std::string& name, const Bytes& data) = 0;
    virtual Bytes getCertificate(const std::string& name);
    // Generates the container's key pair; returns the public key's CKA_VALUE.
    virtual Bytes createContainer(const std::string& name);
    virtual void destroyContainer(const std::string& name);
    virtual Bytes getPublicKey(const std::string& name);
    // VKO GOST R 34.10-2001 with CryptoPro diversification; returns the derived key's value.
    virtual Bytes deriveKey(const std::string& name, const Bytes& publicKey, const Bytes& ukm);
    // mode says what the PIN is for (0 log in, 1 sign, 2 create, 3 remove, 4 derive).
    virtual void login(std::int32_t mode, const std::string& text, const std::string& pin) = 0;
    virtual void logout() = 0;
    // The names of the plug-in's public keys, in the module's order.
    virtual std::vector<std::string> getContainers();
    virtual void importCertificate(const std::string& name, const Bytes& certificate);

    // Keys by algorithm: GOST R 34.10-2001 and 2012 (256 bits with a parameter set, 512 bits).
    // A key that names no known algorithm fails as the module's CKR_KEY_TYPE_INCONSISTENT, a
    // kind of key that is no algorithm's as CKR_ATTRIBUTE_VALUE_INVALID.

    // The algorithm and parameter set of the container's key, from its public key's attributes
    // (readable without a login).
    KeyKind getKeyAlgorithm(const std::string& name);
    // Generates the container's key pair of this algorithm on this parameter set (a 2012 key
    // also names its Streebog digest); returns the public key's CKA_VALUE.
    Bytes generateContainer(const std::string& name, const KeyKind& kind);
    // Signs a hash of the key's size (least significant byte first) with the raw mechanism of
    // the container's algorithm; the signature is s then r, most significant byte first.
    Bytes signHashByAlgorithm(const std::string& name, const Bytes& hash);
    // Signs the data hashed in the token with the digest of the container's algorithm
    // (GOST R 34.11-94 for a 2001 key, Streebog of the key's size for a 2012 key).
    Bytes hashAndSignByAlgorithm(const std::string& name, const Bytes& data);
    // VKO GOST R 34.10-2012 hashed by Streebog-256 with the container's 2012 key, the peer's
    // public key (X then Y) and the UKM; returns the derived 32-byte key's value.
    Bytes deriveKey2012(const std::string& name, const Bytes& publicKey, const Bytes& ukm);

protected:
    // Opens the session; waits for the module lock first.
    Token(Pkcs11& module, CK_SLOT_ID slot);

    bool isClosed() const { return closed; }
    // Whether the slot still holds a token (asked of the module now).
    bool tokenPresent() const;
    Bytes getAttributeValue(CK_ATTRIBUTE_TYPE type, CK_OBJECT_HANDLE object);
    // The one object matching the template, or 0 when none or several match.
    CK_OBJECT_HANDLE findSingleObject(Template& t);
    CK_OBJECT_HANDLE obtainPrivateKey(const std::string& name);
    CK_OBJECT_HANDLE obtainPublicKey(const std::string& name);
    CK_OBJECT_HANDLE obtainCertificate(const std::string& name);
    // C_SignInit and C_Sign with the container's private key.
    Bytes signWith(CK_MECHANISM_TYPE mechanism, const std::string& name, const Bytes& data);
    // An attribute's value, or nothing when the object does not have it.
    std::optional<Bytes> findAttributeValue(CK_ATTRIBUTE_TYPE type, CK_OBJECT_HANDLE object);

    Pkcs11* module;
    CK_FUNCTION_LIST_PTR functionList;
    void* extendedFunctionList;
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;

private:
    // Generates a container's key pair from these templates, once no object has its name;
    // returns the public key's CKA_VALUE.
    Bytes generatePair(const std::string& name, CK_MECHANISM_TYPE mechanism, Template& publicKey,
                       Template& privateKey, const char* context);
    // Derives with the container's private key into a GOST 28147-89 session key, reads its value
    // and destroys it.
    Bytes deriveWith(const std::string& name, CK_MECHANISM_TYPE mechanism, CK_ULONG kdf,
                     const Bytes& publicKey, const Bytes& ukm);

    CK_OBJECT_HANDLE obtain(CK_OBJECT_CLASS objectClass, const std::string& name,
                            const char* context);

    CK_SLOT_ID slot;
    std::unique_lock<std::mutex> moduleLock;
    bool closed = false;
};
