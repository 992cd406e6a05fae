// The host's wake-up on Windows: a hidden message window per instance.
#include "NpapiBrowserHostAsyncWin.h"
#include "NpapiFixture.h"

#include <thread>

#include <windows.h>

namespace npapitest {
namespace {

using FB::Npapi::NpapiBrowserHostAsyncWin;

using NpapiHostWin = NpapiFixture;

void count(void* data) {
    ++*static_cast<int*>(data);
}

std::shared_ptr<NpapiBrowserHostAsyncWin> newHost(NPP instance, const NPNetscapeFuncs& funcs) {
    auto host =
        std::static_pointer_cast<NpapiBrowserHostAsyncWin>(FB::Npapi::createBrowserHost(instance));
    host->SetBrowserFuncs(funcs);
    return host;
}

TEST_F(NpapiHostWin, EachInstanceHasItsOwnMessageWindow) {
    NPP_t second{};
    const auto a = newHost(browser.instance(), browser.funcs());
    const auto b = newHost(&second, browser.funcs());
    EXPECT_NE(a->ClassName(), b->ClassName());
    EXPECT_EQ(a->ClassName().rfind(L"FBEventWindow", 0), 0u);
    EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, a->ClassName().c_str(), nullptr),
              a->MessageWindow());
    EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, b->ClassName().c_str(), nullptr),
              b->MessageWindow());
}

TEST_F(NpapiHostWin, PostedCallsRunWhenTheMainThreadPumpsMessages) {
    const auto host = newHost(browser.instance(), browser.funcs());
    int calls = 0;
    std::thread([&] { EXPECT_TRUE(host->PostToMainThread(count, &calls)); }).join();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(browser.pendingAsyncCalls(), 0u); // not through the browser
    fakenp::pumpMainThread();
    EXPECT_EQ(calls, 1);
}

TEST_F(NpapiHostWin, CallsPostedBeforeTheHostWentDoNothing) {
    auto host = newHost(browser.instance(), browser.funcs());
    int calls = 0;
    ASSERT_TRUE(host->PostToMainThread(count, &calls));
    host->Shutdown();
    EXPECT_FALSE(host->PostToMainThread(count, &calls));
    host.reset();
    fakenp::pumpMainThread();
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace npapitest
