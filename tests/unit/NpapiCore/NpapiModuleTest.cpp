// Module entry, instance creation and destruction, NPP_GetValue, parameters and onload.
#include "NpapiFixture.h"
#include "NpapiPluginModule.h"
#include "PluginCreateError.h"

#include <cstddef>
#include <new>
#include <stdexcept>

namespace npapitest {
namespace {

using FB::Npapi::NpapiPluginModule;

using NpapiModule = NpapiFixture;

TEST_F(NpapiModule, GlobalStateStartsWithTheFirstModuleAndEndsWithTheLast) {
    EXPECT_EQ(factory->initialized, 1);
    NpapiPluginModule::GetModule(factory); // a second entry point: same module
    EXPECT_EQ(NpapiPluginModule::ActiveModuleCount(), 1);
    const int other = 0;
    NpapiPluginModule::GetModule(factory, &other);
    EXPECT_EQ(NpapiPluginModule::ActiveModuleCount(), 2);
    EXPECT_EQ(factory->initialized, 1);
    NpapiPluginModule::ReleaseModule(&other);
    EXPECT_EQ(factory->deinitialized, 0);
    NpapiPluginModule::ReleaseModule();
    EXPECT_EQ(factory->deinitialized, 1);
    NpapiPluginModule::GetModule(factory).SetNetscapeFuncs(&browser.funcs()); // for teardown
    EXPECT_EQ(factory->initialized, 2);
}

TEST_F(NpapiModule, PluginTableIsFilledOnlyAsFarAsTheBrowserTableReaches) {
    NPPluginFuncs shortTable{};
    shortTable.size = offsetof(NPPluginFuncs, getvalue);
    shortTable.version = 11;
    NpapiPluginModule::GetModule(factory).GetPluginFuncs(&shortTable);
    EXPECT_NE(shortTable.newp, nullptr);
    EXPECT_NE(shortTable.urlnotify, nullptr);
    EXPECT_EQ(shortTable.getvalue, nullptr);
    EXPECT_EQ(shortTable.size, offsetof(NPPluginFuncs, getvalue));
    EXPECT_EQ(shortTable.version, 11);
    EXPECT_NE(plugin.getvalue, nullptr);
    EXPECT_NE(plugin.setvalue, nullptr);
}

TEST_F(NpapiModule, NameAndDescriptionWithoutAnInstance) {
    const char* value = nullptr;
    ASSERT_EQ(plugin.getvalue(nullptr, NPPVpluginNameString, &value), NPERR_NO_ERROR);
    EXPECT_STREQ(value, "kestrova");
    ASSERT_EQ(plugin.getvalue(nullptr, NPPVpluginDescriptionString, &value), NPERR_NO_ERROR);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(plugin.getvalue(nullptr, NPPVpluginNeedsXEmbed, &value), NPERR_GENERIC_ERROR);
}

TEST_F(NpapiModule, NameDescriptionAndScriptableObjectOfAnInstance) {
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    const char* value = nullptr;
    ASSERT_EQ(plugin.getvalue(browser.instance(), NPPVpluginNameString, &value), NPERR_NO_ERROR);
    EXPECT_STREQ(value, "kestrova");
    ASSERT_EQ(plugin.getvalue(browser.instance(), NPPVpluginDescriptionString, &value),
              NPERR_NO_ERROR);
    EXPECT_STREQ(value, "Kestrova WEB Plugin");
    NPObject* first = scriptable();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(scriptable(), first);
    EXPECT_EQ(first->referenceCount, 2u); // one per request: the browser releases each
    bool needsXEmbed = true;
    EXPECT_EQ(plugin.getvalue(browser.instance(), NPPVpluginNeedsXEmbed, &needsXEmbed),
              NPERR_GENERIC_ERROR);
}

TEST_F(NpapiModule, NoScriptableObjectWhileThePluginCannotMakeOneThenOnRetry) {
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    factory->last->refuseScripting = true;
    EXPECT_EQ(scriptable(), nullptr);
    factory->last->refuseScripting = false;
    EXPECT_NE(scriptable(), nullptr);
}

TEST_F(NpapiModule, MissingInstanceOrInstanceData) {
    char type[] = "application/x-kestrova";
    EXPECT_EQ(plugin.newp(type, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(plugin.destroy(browser.instance(), nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(plugin.destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    NPObject* object = nullptr;
    EXPECT_EQ(plugin.getvalue(browser.instance(), NPPVpluginScriptableNPObject, &object),
              NPERR_INVALID_INSTANCE_ERROR);
}

TEST_F(NpapiModule, FailedPluginCreationGivesItsErrorCode) {
    const struct {
        const char* what;
        std::function<FB::PluginCorePtr()> create;
        NPError expected;
    } cases[] = {
        {"no plug-in", [] { return FB::PluginCorePtr(); }, NPERR_OUT_OF_MEMORY_ERROR},
        {"creation error",
         []() -> FB::PluginCorePtr { throw FB::Npapi::PluginCreateError("cannot"); },
         NPERR_INCOMPATIBLE_VERSION_ERROR},
        {"out of memory", []() -> FB::PluginCorePtr { throw std::bad_alloc(); },
         NPERR_OUT_OF_MEMORY_ERROR},
        {"other failure", []() -> FB::PluginCorePtr { throw std::runtime_error("other"); },
         NPERR_GENERIC_ERROR},
    };
    for (const auto& c : cases) {
        factory->create = c.create;
        EXPECT_EQ(newInstance(), c.expected) << c.what;
        EXPECT_EQ(browser.instance()->pdata, nullptr) << c.what;
    }
}

TEST_F(NpapiModule, InstanceIsWindowlessAndReadyOnce) {
    ASSERT_EQ(newInstance({{"windowless", "false"}}), NPERR_NO_ERROR);
    const auto& values = browser.setValues();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].first, NPPVpluginWindowBool);
    EXPECT_EQ(values[0].second, nullptr);
    EXPECT_EQ(values[1].first, NPPVpluginTransparentBool);
    EXPECT_NE(values[1].second, nullptr);
    EXPECT_EQ(factory->last->readyCount, 1);
}

TEST_F(NpapiModule, ParametersReachThePluginWithPageFunctionsForOnNames) {
    NPVariant function =
        object(browser.newFunction([](const NPVariant*, uint32_t, NPVariant*) { return true; }));
    browser.setProperty(browser.window(), "clicked", function);
    browser.funcs().releasevariantvalue(&function);
    ASSERT_EQ(newInstance({{"Color", "red"}, {"onclick", "clicked"}, {"onfocus", "nothing"}}),
              NPERR_NO_ERROR);
    const auto& params = factory->last->params();
    EXPECT_EQ(params.at("Color").convert_to<std::string>(), "red");
    const auto handler = params.at("onclick").convert_to<FB::JSObjectPtr>();
    ASSERT_TRUE(handler);
    EXPECT_TRUE(handler->IsValid());
    EXPECT_EQ(params.count("onfocus"), 1u);
}

TEST_F(NpapiModule, PageObjectsThePluginHeldAreReleasedWhenItGoesAfterTheInstance) {
    fakenp::PageObject* function =
        browser.newFunction([](const NPVariant*, uint32_t, NPVariant*) { return true; });
    NPVariant v = object(function);
    browser.setProperty(browser.window(), "clicked", v);
    browser.funcs().releaseobject(function);
    const uint32_t pageOnly = function->referenceCount;
    ASSERT_EQ(newInstance({{"onclick", "clicked"}}), NPERR_NO_ERROR);
    EXPECT_GT(function->referenceCount, pageOnly);
    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    factory->last.reset(); // the plug-in object, with its parameters, goes
    EXPECT_EQ(function->referenceCount, pageOnly);
}

TEST_F(NpapiModule, OnloadCallsThePageFunctionWithTheScriptingObjectFromThePageTimer) {
    std::vector<NPObject*> received;
    NPVariant function =
        object(browser.newFunction([&received](const NPVariant* args, uint32_t count, NPVariant*) {
            if (count == 1 && NPVARIANT_IS_OBJECT(args[0]))
                received.push_back(fakenp::FakeBrowser::current().funcs().retainobject(
                    NPVARIANT_TO_OBJECT(args[0])));
            return true;
        }));
    browser.setProperty(browser.window(), "pageLoaded", function);
    browser.funcs().releasevariantvalue(&function);
    ASSERT_EQ(newInstance({{"onload", "pageLoaded"}}), NPERR_NO_ERROR);
    ASSERT_EQ(browser.timers().size(), 1u);
    EXPECT_EQ(browser.timers()[0].delay, 250);
    EXPECT_TRUE(received.empty());
    browser.runTimers();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], scriptable());
    browser.funcs().releaseobject(received[0]);
}

TEST_F(NpapiModule, OnloadNamingNoFunctionSchedulesNothing) {
    ASSERT_EQ(newInstance({{"onload", "noSuchFunction"}}), NPERR_NO_ERROR);
    EXPECT_TRUE(browser.timers().empty());
    EXPECT_EQ(factory->last->readyCount, 1);
}

TEST_F(NpapiModule, DestroyShutsDownHostAndPluginAndFreesTheInstanceData) {
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    const auto plugin = factory->last;
    const auto host = plugin->host();
    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    EXPECT_TRUE(host->IsShutDown());
    EXPECT_EQ(plugin->shutdownCount, 1);
    EXPECT_EQ(browser.instance()->pdata, nullptr);
    EXPECT_EQ(destroyInstance(), NPERR_INVALID_INSTANCE_ERROR);
}

} // namespace
} // namespace npapitest
