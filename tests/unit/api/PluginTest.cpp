#include "FactoryBase.h"
#include "PluginWindow.h"
#include "ProcessPkcs11.h"
#include "kestrova.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class DescriptionTest : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(DescriptionTest, ComesFromTheMimeDescription) {
    EXPECT_EQ(FB::getFactoryInstance()->GetPluginDescription(GetParam().first), GetParam().second);
    EXPECT_EQ(FB::getFactoryInstance()->GetPluginName(GetParam().first), "kestrova");
}

INSTANTIATE_TEST_SUITE_P(
    Table, DescriptionTest,
    ::testing::Values(std::make_pair("application/x-kestrova", "Kestrova WEB Plugin"),
                      std::make_pair("application/x-other", ""), std::make_pair("", "")));

TEST(PluginFactoryTest, OneFactoryMakesKestrovaObjectsAndCountsThem) {
    const FB::FactoryBasePtr factory = FB::getFactoryInstance();
    EXPECT_EQ(factory, FB::getFactoryInstance());
    const int before = FB::PluginCore::ActivePluginCount();
    {
        const FB::PluginCorePtr plugin = factory->CreatePlugin("anything");
        EXPECT_NE(std::dynamic_pointer_cast<kestrova>(plugin), nullptr);
        EXPECT_EQ(FB::PluginCore::ActivePluginCount(), before + 1);
    }
    EXPECT_EQ(FB::PluginCore::ActivePluginCount(), before);
}

TEST(PluginFactoryTest, DeinitialisingWithoutAModuleDoesNothing) {
    ASSERT_EQ(processPkcs11(), nullptr);
    FB::getFactoryInstance()->GlobalPluginDeinitialize();
    FB::getFactoryInstance()->GlobalPluginDeinitialize();
    EXPECT_EQ(processPkcs11(), nullptr);
}

TEST(KestrovaTest, WithoutAModuleThereIsNoScriptingObjectAndTheNextRequestTriesAgain) {
    const auto plugin = std::make_shared<kestrova>();
    plugin->SetFSPath("/no/such/folder/npkestrova");
    EXPECT_EQ(plugin->GetRootJSAPI(), nullptr);
    EXPECT_EQ(plugin->GetRootJSAPI(), nullptr);
    EXPECT_EQ(processPkcs11(), nullptr);
}

TEST(KestrovaTest, NeverWindowlessAndReadyWithoutOnloadSchedulesNothing) {
    const auto plugin = std::make_shared<kestrova>();
    plugin->SetParams({{"windowless", FB::variant(true)}, {"name", FB::variant(7)}});
    EXPECT_FALSE(plugin->IsWindowless());
    EXPECT_FALSE(plugin->SetReady());
    EXPECT_EQ(plugin->GetParam("name"), std::optional<std::string>("7"));
    EXPECT_EQ(plugin->GetParam("missing"), std::nullopt);
}

TEST(KestrovaTest, WindowEventsAreNotHandled) {
    const auto plugin = std::make_shared<kestrova>();
    FB::PluginWindow window;
    plugin->SetWindow(&window);
    EXPECT_EQ(plugin->GetWindow(), &window);
    FB::MouseDownEvent down;
    FB::AttachedEvent attached;
    FB::PluginEvent other;
    EXPECT_FALSE(window.SendEvent(&down));
    EXPECT_FALSE(window.SendEvent(&attached));
    EXPECT_FALSE(window.SendEvent(&other));
    FB::PluginEventSource notAWindow;
    EXPECT_FALSE(plugin->HandleEvent(&down, &notAWindow));
    plugin->ClearWindow();
    EXPECT_EQ(plugin->GetWindow(), nullptr);
}

TEST(KestrovaTest, ShutdownWaitsForWorkersAndStartsNoMore) {
    const auto plugin = std::make_shared<kestrova>();
    std::atomic<bool> finished{false};
    plugin->startThread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        finished = true;
    });
    plugin->Shutdown();
    EXPECT_TRUE(finished);
    EXPECT_THROW(plugin->startThread([] {}), std::runtime_error);
}

struct DirectoryCase {
    std::wstring path;
    std::wstring directory;
};

class ModuleDirectoryTest : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(ModuleDirectoryTest, IsEverythingBeforeTheLastSeparator) {
    EXPECT_EQ(moduleDirectory(GetParam().path), GetParam().directory);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModuleDirectoryTest,
    ::testing::Values(DirectoryCase{L"/usr/lib/plugins/npkestrova.so", L"/usr/lib/plugins"},
                      DirectoryCase{L"npkestrova.so", L""}, DirectoryCase{L"", L""},
                      DirectoryCase{L"/npkestrova.so", L"/"}));

} // namespace
