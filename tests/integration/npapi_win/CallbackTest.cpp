#include "NpapiWinHost.h"

#include <filesystem>

namespace {

// A result that the plug-in's worker posted to its message window.
constexpr UINT postedCall = WM_USER + 1;

struct CallbackCase {
    const char* name;
    std::string slots;
    const char* method;
    bool withPinArgument; // the optional PIN, given as null
    bool succeeds;
    PageValue expected;
};

PageValue textValue(const char* text) {
    PageValue v;
    v.type = NPVariantType_String;
    v.text = text;
    return v;
}

PageValue boolValue(bool value) {
    PageValue v;
    v.type = NPVariantType_Bool;
    v.boolean = value;
    return v;
}

void expectSame(const PageValue& got, const PageValue& expected) {
    EXPECT_EQ(got.type, expected.type);
    EXPECT_EQ(got.text, expected.text);
    EXPECT_EQ(got.boolean, expected.boolean);
}

// Param: whether the browser's table has NPN_PluginThreadAsyncCall. Either way the module
// delivers through its own message window.
class Callbacks : public NpapiWinHost, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (!GetParam())
            browser.funcs().pluginthreadasynccall = nullptr;
        NpapiWinHost::SetUp();
    }
};

TEST_P(Callbacks, ResultsArriveOnTheMainThread) {
    const CallbackCase cases[] = {
        {"device id", pinSlot(), "kvwGetDeviceID", false, true, textValue("0123456789AB")},
        {"no token", "[slot]\npresent = no\n", "kvwGetDeviceID", false, false, textValue("-1")},
        {"login through Gui.bin", pinSlot(), "kvwUserLoginDlg", true, true, boolValue(true)},
    };
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    for (const CallbackCase& c : cases) {
        SCOPED_TRACE(c.name);
        configure(c.slots);
        PageFunction success;
        PageFunction failure;
        std::vector<NPVariant> args;
        if (c.withPinArgument)
            args.push_back(null());
        args.push_back(success.variant());
        args.push_back(failure.variant());

        const PageValue returned = call(c.method, args);
        EXPECT_EQ(returned.type, NPVariantType_Int32);
        EXPECT_EQ(returned.integer, 0);
        const PageFunction& expectedCallback = c.succeeds ? success : failure;
        ASSERT_TRUE(pumpUntil([&] { return !expectedCallback.calls().empty(); })) << "no callback";
        pumpFor(50);

        ASSERT_EQ(expectedCallback.calls().size(), 1u);
        const PageCall& got = expectedCallback.calls()[0];
        EXPECT_EQ(got.thread, mainThread);
        ASSERT_EQ(got.args.size(), 1u);
        expectSame(got.args[0], c.expected);
        EXPECT_TRUE((c.succeeds ? failure : success).calls().empty());
    }
    EXPECT_EQ(browserQueuedCalls, 0u) << "delivered through the browser's queue";

    // Callbacks that have run are given back to the page; it holds only the scripting object.
    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    EXPECT_EQ(browser.liveObjects(), pageObjectsAtStart + 1);
}

INSTANTIATE_TEST_SUITE_P(Browser, Callbacks, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithAsyncCall" : "WithoutAsyncCall";
                         });

using Destroy = NpapiWinHost;

TEST_F(Destroy, WhileACallbackCallIsRunning) {
    const std::filesystem::path started = folder.gui.path() / "started";
    std::filesystem::remove(started);
    folder.gui.setScript("read\ntouch started\nsleep 1000\nline 0\nline 1234\n");
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    NPObject* object = scriptable();
    const int pageObjects = browser.liveObjects();
    {
        PageFunction success;
        PageFunction failure;
        EXPECT_EQ(call("kvwUserLoginDlg", {null(), success.variant(), failure.variant()}).integer,
                  0);
        ASSERT_TRUE(folder.gui.waitFor("started")) << "the PIN dialog did not open";

        // The element goes while the worker waits for the PIN.
        EXPECT_EQ(destroyInstance(), NPERR_NO_ERROR);
        pumpFor(1500);
        EXPECT_TRUE(success.calls().empty());
        EXPECT_TRUE(failure.calls().empty());
    }
    // Once the worker has ended, the plug-in holds neither callback any more.
    EXPECT_EQ(browser.liveObjects(), pageObjects);

    PageValue version;
    EXPECT_FALSE(getProperty(object, "version", &version));
    EXPECT_EQ(browser.lastException(), "");
}

TEST_F(Destroy, WithAResultAlreadyPosted) {
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    scriptable();
    const int pageObjects = browser.liveObjects();
    {
        PageFunction success;
        EXPECT_EQ(call("kvwGetDeviceID", {success.variant()}).integer, 0);

        // Wait for the worker's message without delivering it.
        MSG message;
        const ULONGLONG deadline = GetTickCount64() + 30000;
        while (!PeekMessageW(&message, nullptr, postedCall, postedCall, PM_NOREMOVE) &&
               GetTickCount64() < deadline)
            Sleep(10);
        ASSERT_TRUE(PeekMessageW(&message, nullptr, postedCall, postedCall, PM_NOREMOVE))
            << "the worker posted nothing";

        EXPECT_EQ(destroyInstance(), NPERR_NO_ERROR);
        pumpFor(300);
        EXPECT_TRUE(success.calls().empty()) << "a callback reached a page that has gone";
    }
    EXPECT_EQ(browser.liveObjects(), pageObjects) << "the posted callback was not released";
}

} // namespace
