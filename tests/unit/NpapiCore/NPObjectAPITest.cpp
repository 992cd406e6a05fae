// Page objects seen from the plug-in, from the main thread and from workers; the host's
// deferred release, queued calls and shutdown.
#include "NPObjectAPI.h"
#include "NPObjectAPIFixture.h"
#include "script_error.h"

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace npapitest {
namespace {

using FB::variant;
using FB::VariantList;
using FB::Npapi::NPObjectAPI;

TEST_F(NPObjectAPITest, CallsAPageFunctionOnTheMainThread) {
    const auto page = pageFunction();
    EXPECT_TRUE(page->IsValid());
    EXPECT_EQ(page->Invoke("", {variant(21)}).convert_to<int>(), 42);
    EXPECT_THROW(page->Invoke("", {variant(1), variant(2)}), FB::script_error);
}

TEST_F(NPObjectAPITest, ReadsAndWritesPageProperties) {
    const auto window = host->GetDOMWindow();
    window->SetProperty("answer", variant(42));
    EXPECT_TRUE(window->HasProperty("answer"));
    EXPECT_EQ(window->GetProperty("answer").convert_to<int>(), 42);
    window->RemoveProperty("answer");
    EXPECT_FALSE(window->HasProperty("answer"));
    EXPECT_EQ(host->GetDOMDocument()->GetProperty("title").convert_to<std::string>(), "fake page");
    std::vector<std::string> names;
    window->GetMemberNames(names);
    EXPECT_NE(std::find(names.begin(), names.end(), "document"), names.end());
}

TEST_F(NPObjectAPITest, WorkerCallsAreMadeOnTheMainThread) {
    const auto page = pageFunction();
    const auto window = host->GetDOMWindow();
    std::future<int> doubled = std::async(
        std::launch::async, [page] { return page->Invoke("", {variant(5)}).convert_to<int>(); });
    EXPECT_EQ(pumpUntil(doubled), 10);
    std::future<std::string> title = std::async(std::launch::async, [this] {
        return host->GetDOMDocument()->GetProperty("title").convert_to<std::string>();
    });
    EXPECT_EQ(pumpUntil(title), "fake page");
    std::future<bool> thrown = std::async(std::launch::async, [page] {
        try {
            page->Invoke("", {variant(1), variant(2)});
        } catch (const FB::script_error&) {
            return true;
        }
        return false;
    });
    EXPECT_TRUE(pumpUntil(thrown));
}

TEST_F(NPObjectAPITest, InvokeAsyncRunsOnlyAfterTheCurrentCall) {
    pageFunction()->InvokeAsync("", {variant(1)});
    EXPECT_EQ(calls, 0);
    fakenp::pumpMainThread();
    EXPECT_EQ(calls, 1);
}

TEST_F(NPObjectAPITest, PageObjectDroppedByAWorkerIsReleasedOnTheMainThread) {
    auto page = pageFunction();
    const uint32_t held = function->referenceCount;
    std::thread([moved = std::move(page)]() mutable { moved.reset(); }).join();
    EXPECT_EQ(function->referenceCount, held);
    host->DoDeferredRelease();
    EXPECT_EQ(function->referenceCount, held - 1);
}

TEST_F(NPObjectAPITest, OwnWrapperComingBackCallsTheScriptingObjectDirectly) {
    NPObject* wrapper = scriptable();
    NPVariant v = object(wrapper);
    const auto page = FB::Npapi::fromNPVariant(host, v).convert_to<FB::JSObjectPtr>();
    EXPECT_EQ(page->GetJSAPI(), factory->last->GetRootJSAPI());
    EXPECT_EQ(page->Invoke("echo", {variant(3)}).convert_to<int>(), 3);
}

TEST_F(NPObjectAPITest, DestroyWithCallsPendingRunsThemInertAndLateDeliveriesDoNothing) {
    const auto page = pageFunction();
    page->InvokeAsync("", {variant(1)});
    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    fakenp::pumpMainThread();
    EXPECT_EQ(calls, 0);
    // Nothing can be queued any more; a worker waiting for the page gives up.
    EXPECT_FALSE(page->IsValid());
    std::future<bool> refused = std::async(std::launch::async, [page] {
        try {
            page->Invoke("", {variant(1)});
        } catch (const FB::script_error& e) {
            return std::string(e.what()) == "Could not marshal to main thread";
        }
        return false;
    });
    EXPECT_TRUE(refused.get());
}

TEST_F(NPObjectAPITest, AWaitingWorkerIsReleasedWhenTheInstanceGoes) {
    const auto page = pageFunction();
    std::future<std::string> waiting = std::async(std::launch::async, [page] {
        try {
            page->Invoke("", {variant(1)});
        } catch (const FB::script_error& e) {
            return std::string(e.what());
        }
        return std::string("returned");
    });
    while (!fakenp::mainThreadHasWork())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    // The pending call ran at shutdown, after the table was gone: the page was not reached
    // and the worker got a failure rather than waiting on.
    EXPECT_NE(waiting.get(), "returned");
    EXPECT_EQ(calls, 0);
}

TEST_F(NPObjectAPITest, EvaluateFailureIsAScriptError) {
    host->EvaluateJavaScript(std::string("1 + 1"));
    browser.evaluateFails = true;
    try {
        host->EvaluateJavaScript(std::string("1 + 1"));
        ADD_FAILURE() << "no failure";
    } catch (const FB::script_error& e) {
        EXPECT_STREQ(e.what(), "Error executing JavaScript code");
    }
}

} // namespace
} // namespace npapitest
