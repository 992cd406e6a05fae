#include "PluginCore.h"
#include "FakeWindow.h"
#include "JSAPIAuto.h"
#include "RecordingFunction.h"
#include "TestBrowserHost.h"

#include <gtest/gtest.h>

namespace {

// A plug-in object whose scripting object is a plain one.
class PlainPlugin : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr CreateJSAPI() override {
        ++created;
        return std::make_shared<FB::JSAPIAuto>();
    }
    int created = 0;
};

class PluginCoreTest : public ::testing::Test {
protected:
    PluginCoreTest() : host(TestBrowserHost::create()), window(host->addWindow()) {
        plugin->SetHost(host);
    }

    std::shared_ptr<TestBrowserHost> host;
    std::shared_ptr<FakeWindow> window;
    std::shared_ptr<PlainPlugin> plugin = std::make_shared<PlainPlugin>();
};

TEST_F(PluginCoreTest, OnloadFunctionGetsTheScriptingObjectFromThePagesTimer) {
    const auto onload = RecordingFunction::create(host);
    window->SetProperty("pluginLoaded", FB::variant(FB::JSObjectPtr(onload)));
    plugin->SetParams({{"onload", FB::variant(std::string("pluginLoaded"))}});
    ASSERT_TRUE(plugin->SetReady());

    ASSERT_EQ(window->timers().size(), 1u);
    EXPECT_EQ(window->timers()[0].delay, 250);
    EXPECT_EQ(onload->callCount(), 0u);
    window->runTimers();
    ASSERT_EQ(onload->callCount(), 1u);
    const FB::VariantList args = onload->args(0);
    ASSERT_EQ(args.size(), 1u);
    EXPECT_EQ(args[0].convert_to<FB::JSAPIPtr>(), plugin->GetRootJSAPI());
    EXPECT_EQ(plugin->created, 1);
}

TEST_F(PluginCoreTest, OnloadNamingNoPageFunctionSchedulesNothing) {
    window->SetProperty("notAFunction", FB::variant(12));
    plugin->SetParams({{"onload", FB::variant(std::string("notAFunction"))}});
    EXPECT_FALSE(plugin->SetReady());
    EXPECT_TRUE(window->timers().empty());
}

TEST_F(PluginCoreTest, ParametersOtherThanPageFunctionsKeepTheirValue) {
    const auto handler = RecordingFunction::create(host);
    window->SetProperty("handler", FB::variant(FB::JSObjectPtr(handler)));
    plugin->SetParams({{"onclick", FB::variant(std::string("handler"))},
                       {"color", FB::variant(std::string("red"))},
                       {"size", FB::variant(3)}});
    EXPECT_EQ(plugin->GetParam("color"), std::optional<std::string>("red"));
    EXPECT_EQ(plugin->GetParam("size"), std::optional<std::string>("3"));
    EXPECT_FALSE(plugin->SetReady());

    // Without a page window the raw value is kept.
    host->removeWindow();
    plugin->SetParams({{"onclick", FB::variant(std::string("handler"))}});
    EXPECT_EQ(plugin->GetParam("onclick"), std::optional<std::string>("handler"));
}

TEST_F(PluginCoreTest, DestructionShutsTheHostDown) {
    plugin.reset();
    EXPECT_TRUE(host->IsShutDown());
}

} // namespace
