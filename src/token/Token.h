#pragma once

#include "Template.h"

#include <p11-kit/pkcs11.h>

#include <cstdint>
#include <mutex>
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

    Pkcs11* module;
    CK_FUNCTION_LIST_PTR functionList;
    void* extendedFunctionList;
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;

private:
    CK_OBJECT_HANDLE obtain(CK_OBJECT_CLASS objectClass, const std::string& name,
                            const char* context);

    CK_SLOT_ID slot;
    std::unique_lock<std::mutex> moduleLock;
    bool closed = false;
};
