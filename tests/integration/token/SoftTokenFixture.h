#pragma once

#include "GuiFolder.h"
#include "KvSoftToken.h"
#include "Pkcs11.h"
#include "Template.h"
#include "Token.h"
#include "TokenConfig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

// A plug-in folder holding a copy of the built kvpkcs11 and the scripted PIN-entry program, and
// a token directory of its own; the module is loaded from that folder as the plug-in would.
class SoftTokenFixture : public ::testing::Test {
public:
    SoftTokenFixture();
    ~SoftTokenFixture() override;

    // Replaces kvsofttoken.conf as a whole; the module sees the change at its next call.
    void configure(const std::string& slots, const std::string& faults = "");
    // Keeps the slots, replaces the faults.
    void injectFault(const std::string& faults);
    // Loads and initialises the module from the plug-in folder.
    Pkcs11& load();
    Pkcs11& module() { return *m_module; }
    void unload();

    KV_SOFTTOKEN_STATUS status(CK_SLOT_ID slot = 0);
    // No Token holds the lock, no session is open and nobody is logged in.
    void expectIdle(CK_SLOT_ID slot = 0);

    // getToken, f, close.
    void withToken(const std::function<void(Token&)>& f);
    // withToken after a login of the user (mode 1), as the signing methods do.
    void withLogin(const std::function<void(Token&)>& f);

    // Objects made behind the plug-in's back, through a session of the test's own.
    CK_OBJECT_HANDLE createObject(Template& t);
    void destroyObjects(Template& t);
    CK_ULONG countObjects(Template& t);

    GuiFolder gui;
    std::filesystem::path tokenDir;

protected:
    // A read-write session of the test's own on the first token, logged in as the user.
    CK_SESSION_HANDLE openRawSession();
    void closeRawSession(CK_SESSION_HANDLE session);

private:
    std::string m_slots;
    std::unique_ptr<Pkcs11> m_module;
};

// Templates of objects that the plug-in makes or may find on a token.
void addPublicKeyValue(Template& t);
