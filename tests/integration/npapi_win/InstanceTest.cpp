#include "NpapiWinHost.h"

#include <p11-kit/pkcs11.h>

namespace {

using Instance = NpapiWinHost;

TEST_F(Instance, TableFromGetEntryPointsKeepsTheBrowsersHeader) {
    NPPluginFuncs table{};
    table.size = 0x1234;
    table.version = 0x0102;
    table.javaClass = &table;
    ASSERT_EQ(folder.getEntryPoints(&table), NPERR_NO_ERROR);
    EXPECT_EQ(table.size, 0x1234);
    EXPECT_EQ(table.version, 0x0102);
    EXPECT_EQ(table.javaClass, &table);
    for (void* slot :
         {reinterpret_cast<void*>(table.newp), reinterpret_cast<void*>(table.destroy),
          reinterpret_cast<void*>(table.setwindow), reinterpret_cast<void*>(table.newstream),
          reinterpret_cast<void*>(table.destroystream), reinterpret_cast<void*>(table.asfile),
          reinterpret_cast<void*>(table.writeready), reinterpret_cast<void*>(table.write),
          reinterpret_cast<void*>(table.print), reinterpret_cast<void*>(table.event),
          reinterpret_cast<void*>(table.urlnotify), reinterpret_cast<void*>(table.getvalue),
          reinterpret_cast<void*>(table.setvalue)})
        EXPECT_NE(slot, nullptr);
}

TEST_F(Instance, LifeCycleWithOnload) {
    PageFunction onload;
    browser.setProperty(browser.window(), "pageLoaded", onload.variant());
    ASSERT_EQ(newInstance({{"onload", "pageLoaded"}, {"onclick", "nothingThere"}}), NPERR_NO_ERROR);
    EXPECT_NE(browser.instance()->pdata, nullptr);

    // Windowless whatever the element says.
    const auto& values = browser.setValues();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], std::make_pair(NPPVpluginWindowBool, static_cast<void*>(nullptr)));
    EXPECT_EQ(values[1].first, NPPVpluginTransparentBool);
    EXPECT_NE(values[1].second, nullptr);

    for (const auto& [variable, expected] :
         {std::make_pair(NPPVpluginNameString, "kestrova"),
          std::make_pair(NPPVpluginDescriptionString, "Kestrova WEB Plugin")}) {
        const char* got = nullptr;
        ASSERT_EQ(plugin.getvalue(browser.instance(), variable, &got), NPERR_NO_ERROR);
        ASSERT_NE(got, nullptr);
        EXPECT_STREQ(got, expected);
    }

    NPObject* object = scriptable();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(scriptable(), object) << "the element has one scripting object";

    // The page's timer calls onload with the scripting object, on the main thread.
    ASSERT_EQ(browser.timers().size(), 1u);
    EXPECT_EQ(browser.timers()[0].delay, 250);
    EXPECT_TRUE(onload.calls().empty());
    browser.runTimers();
    ASSERT_EQ(onload.calls().size(), 1u);
    EXPECT_EQ(onload.calls()[0].thread, mainThread);
    ASSERT_EQ(onload.calls()[0].args.size(), 1u);
    EXPECT_EQ(onload.calls()[0].args[0].object, object);

    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    EXPECT_EQ(browser.instance()->pdata, nullptr);
    EXPECT_EQ(destroyInstance(), NPERR_INVALID_INSTANCE_ERROR);

    // The page may still hold the object: it answers nothing and raises nothing.
    PageValue version;
    EXPECT_FALSE(getProperty(object, "version", &version));
    EXPECT_EQ(version.type, NPVariantType_Void);
    EXPECT_EQ(browser.lastException(), "");
}

TEST_F(Instance, AnswersWithoutAnInstance) {
    const char* name = nullptr;
    ASSERT_EQ(plugin.getvalue(nullptr, NPPVpluginNameString, &name), NPERR_NO_ERROR);
    EXPECT_STREQ(name, "kestrova");
    const char* description = nullptr;
    ASSERT_EQ(plugin.getvalue(nullptr, NPPVpluginDescriptionString, &description), NPERR_NO_ERROR);
    EXPECT_STREQ(description, "");
    NPObject* object = nullptr;
    EXPECT_EQ(plugin.getvalue(nullptr, NPPVpluginScriptableNPObject, &object), NPERR_GENERIC_ERROR);

    char mimeType[] = "application/x-kestrova";
    EXPECT_EQ(plugin.newp(mimeType, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(plugin.destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
}

TEST_F(Instance, VersionWithoutTouchingTheToken) {
    // No token configured at all: reading the version needs none.
    configure("");
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    NPObject* object = scriptable();
    ASSERT_NE(object, nullptr);
    PageValue version;
    ASSERT_TRUE(getProperty(object, "version", &version));
    EXPECT_EQ(version.type, NPVariantType_String);
    EXPECT_EQ(version.text, "1.5.0.0");
    EXPECT_EQ(call("get_version").text, "1.5.0.0");
}

TEST_F(Instance, TokenMethodsCalledDirectly) {
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);

    const PageValue present = call("kvwIsTokenPresentAndOK");
    EXPECT_EQ(present.type, NPVariantType_Bool);
    EXPECT_TRUE(present.boolean);
    EXPECT_EQ(call("kvwGetDeviceID").text, "0123456789AB");

    // Key generation logs in through the PIN-entry program beside the module.
    const PageValue generated = call("kvwGenKeyPair", {text("c1")});
    ASSERT_EQ(generated.type, NPVariantType_String) << "code " << generated.integer;
    EXPECT_EQ(generated.text.size(), 128u);
    EXPECT_EQ(generated.text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(call("kvwGetPublicKey", {text("c1")}).text, generated.text);
    EXPECT_FALSE(folder.gui.record().empty()) << "Gui.bin was not run";

    const PageValue count = call("kvwGetNumberOfContainers");
    EXPECT_EQ(count.type, NPVariantType_Int32);
    EXPECT_EQ(count.integer, 1);
}

TEST_F(Instance, NoTokenGivesItsCode) {
    configure("[slot]\npresent = no\n");
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    for (const char* method : {"kvwIsTokenPresentAndOK", "kvwGetDeviceID"}) {
        const PageValue result = call(method);
        EXPECT_EQ(result.type, NPVariantType_Int32) << method;
        EXPECT_EQ(result.integer, -1) << method;
    }
}

// The PKCS#11 module as another user of it in the process sees it.
class Pkcs11Probe {
public:
    explicit Pkcs11Probe(const std::filesystem::path& path)
        : m_module(LoadLibraryW(path.wstring().c_str())) {
        if (!m_module)
            return;
        auto get = reinterpret_cast<CK_C_GetFunctionList>(
            reinterpret_cast<void*>(GetProcAddress(m_module, "C_GetFunctionList")));
        if (get)
            get(&m_functions);
    }
    ~Pkcs11Probe() {
        if (m_module)
            FreeLibrary(m_module);
    }
    Pkcs11Probe(const Pkcs11Probe&) = delete;
    Pkcs11Probe& operator=(const Pkcs11Probe&) = delete;

    bool loaded() const { return m_functions != nullptr; }
    // Whether someone in the process has the module initialised; leaves it as it was.
    bool initializedElsewhere() const {
        const CK_RV rv = m_functions->C_Initialize(nullptr);
        if (rv == CKR_OK)
            m_functions->C_Finalize(nullptr);
        EXPECT_TRUE(rv == CKR_OK || rv == CKR_CRYPTOKI_ALREADY_INITIALIZED) << rv;
        return rv == CKR_CRYPTOKI_ALREADY_INITIALIZED;
    }

private:
    HMODULE m_module;
    CK_FUNCTION_LIST_PTR m_functions = nullptr;
};

using Module = NpapiWinHost;

TEST_F(Module, ShutdownFinalisesThePkcs11Module) {
    Pkcs11Probe probe(folder.pkcs11Path());
    ASSERT_TRUE(probe.loaded());
    EXPECT_FALSE(probe.initializedElsewhere()) << "loading the plug-in touched the token";

    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    EXPECT_EQ(call("kvwGetDeviceID").text, "0123456789AB");
    EXPECT_TRUE(probe.initializedElsewhere());
    // The module is process-wide: it outlives the element.
    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    EXPECT_TRUE(probe.initializedElsewhere());

    shutdownModule();
    EXPECT_FALSE(probe.initializedElsewhere());

    // Loaded again, the plug-in initialises the PKCS#11 module again.
    initializeModule();
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    EXPECT_EQ(call("kvwGetDeviceID").text, "0123456789AB");
    EXPECT_TRUE(probe.initializedElsewhere());
}

} // namespace
