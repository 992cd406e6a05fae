#include "BrowserHost.h"
#include "HostTestSupport.h"
#include "JoiningThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using FB::variant;
using FB::VariantList;

namespace {

class CallOnMainThreadTest : public ::testing::Test {
protected:
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
};

} // namespace

TEST_F(CallOnMainThreadTest, OnTheMainThreadRunsAtOnce) {
    EXPECT_EQ(host->CallOnMainThread([] { return 7; }), 7);
    bool ran = false;
    host->CallOnMainThread([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(host->pendingCount(), 0U);
}

TEST_F(CallOnMainThreadTest, FromAWorkerRunsOnTheMainThreadAndReturnsTheResult) {
    const auto mainThread = std::this_thread::get_id();
    const auto [ranOn, number, value] = onWorker(*host, [&] {
        const auto thread = host->CallOnMainThread([] { return std::this_thread::get_id(); });
        const int n = host->CallOnMainThread([] { return 42; });
        const variant v = host->CallOnMainThread([] { return variant("text"); });
        return std::make_tuple(thread, n, v.convert_to<std::string>());
    });
    EXPECT_EQ(ranOn, mainThread);
    EXPECT_EQ(number, 42);
    EXPECT_EQ(value, "text");
}

TEST_F(CallOnMainThreadTest, PageFunctionCalledFromAWorkerRunsOnTheMainThread) {
    const auto page = RecordingFunction::create(host);
    page->returnValue(variant(5));
    const variant result = onWorker(*host, [&] {
        return page->Invoke("", VariantList{variant("a"), variant(2)});
    });
    EXPECT_EQ(result.convert_to<int>(), 5);
    const auto calls = page->calls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_TRUE(calls[0].onMainThread);
    EXPECT_EQ(texts(calls[0].args), (std::vector<std::string>{"a", "2"}));
    EXPECT_TRUE(page->calledOffMainThread());
}

TEST_F(CallOnMainThreadTest, ScriptErrorOfThePageIsRethrownInTheWorker) {
    const auto page = RecordingFunction::create(host);
    page->throwScriptError("ReferenceError: nothing is not defined");
    const std::string pageFailure = onWorker(*host, [&] {
        try {
            page->Invoke("", {});
        } catch (const FB::script_error& e) {
            return std::string(e.what());
        }
        return std::string("(no script error)");
    });
    EXPECT_EQ(pageFailure, "ReferenceError: nothing is not defined");

    // A subclass arrives as a plain script error with the same message; other failures keep
    // their type.
    const std::string kinds = onWorker(*host, [&] {
        std::string seen;
        try {
            host->CallOnMainThread([]() -> int { throw FB::invalid_arguments("bad"); });
        } catch (const FB::invalid_arguments&) {
            seen += "subclass ";
        } catch (const FB::script_error& e) {
            seen += std::string("script_error:") + e.what() + " ";
        }
        try {
            host->CallOnMainThread([] { throw std::range_error("range"); });
        } catch (const std::range_error& e) {
            seen += std::string("range_error:") + e.what();
        }
        return seen;
    });
    EXPECT_EQ(kinds, "script_error:bad range_error:range");
}

TEST_F(CallOnMainThreadTest, CallThatCannotBeQueuedFails) {
    host->setRefusePosts(true);
    EXPECT_EQ(onWorker(*host, [&] { return failureOf([&] { host->CallOnMainThread([] {}); }); }),
              "Could not marshal to main thread");
    host->setRefusePosts(false);
    host->Shutdown();
    bool ran = false;
    EXPECT_EQ(
        onWorker(*host,
                 [&] { return failureOf([&] { host->CallOnMainThread([&] { ran = true; }); }); }),
        "Could not marshal to main thread");
    EXPECT_FALSE(ran);
}

TEST_F(CallOnMainThreadTest, WaitingWorkerGivesUpWhenTheHostShutsDown) {
    const auto owner = std::make_shared<int>();
    std::atomic<bool> workerDone{false};
    // Shutdown runs this one first and holds it until the worker has given up, so the
    // worker's own call is still pending when the worker sees the flag.
    host->ScheduleOnMainThread(owner, [&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!workerDone && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    std::atomic<bool> ran{false};
    std::string failure;
    JoiningThread worker(
        [&] {
            failure = failureOf([&] { host->CallOnMainThread([&] { ran = true; }); });
            workerDone = true;
        },
        [&] { host->Shutdown(); });
    while (host->pendingCount() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    host->Shutdown();
    worker.join();
    EXPECT_EQ(failure, "Shutting down");
    EXPECT_FALSE(ran) << "the worker's call is skipped once it gave up";
}

TEST_F(CallOnMainThreadTest, WaitingWorkerGetsTheResultOrShuttingDownWhenShutdownRunsItsCall) {
    std::thread::id ranOn;
    std::string outcome;
    JoiningThread worker(
        [&] {
            try {
                outcome = std::to_string(host->CallOnMainThread([&] {
                    ranOn = std::this_thread::get_id();
                    return 3;
                }));
            } catch (const FB::script_error& e) {
                outcome = e.what();
            }
        },
        [&] { host->Shutdown(); });
    while (host->pendingCount() < 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    host->Shutdown();
    worker.join();
    if (outcome == "3")
        EXPECT_EQ(ranOn, std::this_thread::get_id());
    else
        EXPECT_EQ(outcome, "Shutting down");
}

TEST_F(CallOnMainThreadTest, CallAlreadyRunningWhenTheHostShutsDownIsWaitedFor) {
    // The callable may refer to the worker's own data, so the worker must not leave while the
    // main thread is inside it, as when the page tears the instance down from a nested loop.
    const int result = onWorker(*host, [&] {
        const int local = 5;
        return host->CallOnMainThread([&] {
            host->Shutdown();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return local;
        });
    });
    EXPECT_EQ(result, 5);
}
