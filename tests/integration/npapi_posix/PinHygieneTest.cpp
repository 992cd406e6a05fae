// npkestrova.so loaded from a plug-in folder, as a browser loads it, behind the fake browser:
// a PIN passed by the page as an NPString leaves no copy in this process.
#include "FakeBrowser.h"
#include "GuiFolder.h"
#include "PinArguments.h"
#include "Store.h"
#include "TestEnv.h"
#include "TokenConfig.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace fs = std::filesystem;

namespace {

using InitializeFunc = NPError (*)(NPNetscapeFuncs*, NPPluginFuncs*);
using ShutdownFunc = NPError (*)();

// One element of a page, from NP_Initialize to NP_Shutdown, on a token of its own whose PIN
// the scripted PIN-entry program answers.
class NpapiPinHygieneTest : public ::testing::TestWithParam<std::size_t> {
protected:
    NpapiPinHygieneTest() : gui(pinAnswer()), tokenDir(gui.path() / "token") {
        fs::create_directory(tokenDir);
        fs::copy_file(KV_NPAPI_MODULE, gui.path() / "npkestrova.so");
        fs::copy_file(KV_SOFTTOKEN_MODULE, gui.path() / fs::path(KV_SOFTTOKEN_MODULE).filename());
        setEnvironment("KVSOFTTOKEN_DIR", tokenDir.string());
        softtoken::Store(tokenDir).writeConfig(pinSlot() + "pin-tries = 100\n");
    }

    void SetUp() override {
        m_module = dlopen((gui.path() / "npkestrova.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_TRUE(m_module) << dlerror();
        const auto initialize = reinterpret_cast<InitializeFunc>(dlsym(m_module, "NP_Initialize"));
        ASSERT_TRUE(initialize);
        plugin.size = sizeof(plugin);
        ASSERT_EQ(initialize(&browser.funcs(), &plugin), NPERR_NO_ERROR);
        char mimeType[] = "application/x-kestrova";
        ASSERT_EQ(plugin.newp(mimeType, browser.instance(), NP_EMBED, 0, nullptr, nullptr, nullptr),
                  NPERR_NO_ERROR);
        ASSERT_EQ(plugin.getvalue(browser.instance(), NPPVpluginScriptableNPObject, &scriptable),
                  NPERR_NO_ERROR);
        ASSERT_TRUE(scriptable);
    }

    void TearDown() override {
        if (scriptable)
            browser.funcs().releaseobject(scriptable);
        if (plugin.destroy) {
            EXPECT_EQ(plugin.destroy(browser.instance(), nullptr), NPERR_NO_ERROR);
        }
        if (m_module) {
            EXPECT_EQ(reinterpret_cast<ShutdownFunc>(dlsym(m_module, "NP_Shutdown"))(),
                      NPERR_NO_ERROR);
            dlclose(m_module);
        }
    }

    GuiFolder gui;
    fs::path tokenDir;
    fakenp::FakeBrowser browser;
    NPPluginFuncs plugin{};
    NPObject* scriptable = nullptr;

private:
    void* m_module = nullptr;
};

// A PIN short enough to live inside string objects, and one of the longest, on the heap.
TEST_P(NpapiPinHygieneTest, NoCopyOfAPinArgumentRemains) {
    fakenp::expectPinArgumentsLeaveNoCopy(browser, scriptable, gui, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Lengths, NpapiPinHygieneTest, ::testing::Values(12, 32));

} // namespace
