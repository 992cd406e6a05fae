#pragma once

#include "GuiFolder.h"
#include "JSAPI.h"
#include "KvSoftToken.h"
#include "PluginCore.h"
#include "TokenConfig.h"
#include "variant.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// The scripted PIN-entry program ending with status and no PIN (the dialog cancelled or failed).
std::string statusAnswer(int status);

// A plug-in folder as the browser would load it from: kvpkcs11 and the scripted Gui.bin beside
// the module, a token directory of its own, one plug-in object made by the factory and its
// scripting object. Every test ends the process's use of the PKCS#11 module, as NP_Shutdown
// does, so the next one loads its own copy.
class ApiFixture : public ::testing::Test {
public:
    ApiFixture();
    ~ApiFixture() override;

    void configure(const std::string& slots, const std::string& faults = "");
    // A plug-in object on the host, with its scripting object; the module is loaded here.
    // modulePath: where the plug-in module lies, by default in the plug-in folder.
    void createPlugin(const FB::BrowserHostPtr& host = nullptr, const std::string& modulePath = "");
    // The element goes away: Shutdown, then the host's reference is released.
    void destroyPlugin();

    // A call as the page makes it, through the object's member table.
    FB::variant call(const std::string& method, const FB::VariantList& args = {});
    std::string text(const std::string& method, const FB::VariantList& args = {});

    KV_SOFTTOKEN_STATUS status(CK_SLOT_ID slot = 0);
    // No session open, nobody logged in, the module lock free.
    void expectIdle();
    // Lines of the scripted program's record that begin with prefix.
    std::vector<std::string> recorded(const std::string& prefix);

    GuiFolder gui;
    std::filesystem::path tokenDir;
    FB::PluginCorePtr plugin;
    FB::JSAPIPtr api;

private:
    std::string m_slots;
};
