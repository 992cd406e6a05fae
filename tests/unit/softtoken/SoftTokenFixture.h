#pragma once

#include "KvSoftToken.h"
#include "Library.h"

#include <Pkcs11Gost.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// The plug-in's object label and GOST parameters, as it writes them.
extern const std::string kvwLabel;
extern const Bytes cryptoProA;

// Loads kvpkcs11 from the build tree with a fresh state directory per test.
class SoftTokenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces kvsofttoken.conf atomically, as the module expects.
    void writeConfig(const std::string& text);
    // A token "Test token" / serial, PIN 1234, in slot 0.
    void writeSingleToken(const std::string& extra = "");
    // The configuration of an adapter in front of a copy of this module, which has its own state
    // directory dir/next and one token: serial NEXT1, PIN 4321.
    std::string adapterInFrontOfACopy();
    void initialize();
    void finalize();

    CK_SESSION_HANDLE openSession(CK_SLOT_ID slot = 0,
                                  CK_FLAGS flags = CKF_SERIAL_SESSION | CKF_RW_SESSION);
    CK_RV login(CK_SESSION_HANDLE session, const std::string& pin);
    KV_SOFTTOKEN_STATUS status(CK_SLOT_ID slot = 0);

    std::vector<CK_OBJECT_HANDLE> find(CK_SESSION_HANDLE session, std::vector<CK_ATTRIBUTE> templ);
    // CKA_VALUE or another attribute by the two-call pattern; fails the test on error.
    Bytes attribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                    CK_ATTRIBUTE_TYPE type = CKA_VALUE);
    // The plug-in's key pair templates for a container name; by default a 2001 key on
    // CryptoPro-A, or the mechanism, key type and parameter set given.
    CK_RV generate(CK_SESSION_HANDLE session, const std::string& name, CK_OBJECT_HANDLE& publicKey,
                   CK_OBJECT_HANDLE& privateKey,
                   CK_MECHANISM_TYPE mechanism = CKM_GOSTR3410_KEY_PAIR_GEN,
                   CK_KEY_TYPE keyType = CKK_GOSTR3410, const Bytes& params = cryptoProA);
    CK_RV sign(CK_SESSION_HANDLE session, CK_MECHANISM_TYPE mechanism, CK_OBJECT_HANDLE key,
               const Bytes& data, Bytes& signature);

    std::filesystem::path dir;
    std::unique_ptr<softtoken::Library> module;
    CK_FUNCTION_LIST_PTR p11 = nullptr;
    bool initialized = false;
};

// A token in slot 0 with a logged-in read-write session.
class SoftTokenMechanismTest : public SoftTokenTest {
protected:
    void SetUp() override;

    // A derivation into a GOST 28147-89 session key, read and destroyed again; by default the
    // plug-in's (CKM_GOSTR3410_DERIVE with CKD_CPDIVERSIFY_KDF).
    CK_RV derive(CK_OBJECT_HANDLE privateKey, Bytes peer, Bytes ukm, Bytes& value,
                 CK_MECHANISM_TYPE type = CKM_GOSTR3410_DERIVE, CK_ULONG kdf = CKD_CPDIVERSIFY_KDF);

    CK_SESSION_HANDLE session = 0;
};

// A second copy of the module file in folder: loaded beside the first, it has its own state, as
// another process would.
std::filesystem::path copyModule(const std::filesystem::path& folder);

// Attribute helpers for templates: the values must outlive the template.
CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const void* value, CK_ULONG length);
CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const CK_ULONG& value);
CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const CK_BBOOL& value);
CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const std::string& value);
CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const Bytes& value);

extern const CK_BBOOL yes;
extern const CK_BBOOL no;
