#include "BrowserHost.h"
#include "HostTestSupport.h"
#include "JSAPIAuto.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

using FB::variant;
using FB::VariantList;

namespace {

class BrowserHostTest : public ::testing::Test {
protected:
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
    std::shared_ptr<int> owner = std::make_shared<int>(0);
};

void countCall(void* counter) {
    ++*static_cast<int*>(counter);
}

} // namespace

TEST_F(BrowserHostTest, ScheduledCallRunsOnlyAfterTheSchedulingCallReturned) {
    bool ran = false;
    host->ScheduleOnMainThread(owner, [&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_EQ(host->pendingCount(), 1U);
    EXPECT_EQ(host->runPending(), 1U);
    EXPECT_TRUE(ran);
}

TEST_F(BrowserHostTest, ScheduledCallWhoseObjectDiedDoesNothing) {
    bool ran = false;
    host->ScheduleOnMainThread(owner, [&] { ran = true; });
    owner.reset();
    host->runPending();
    EXPECT_FALSE(ran);
}

TEST_F(BrowserHostTest, FailuresOfQueuedCallsAreDroppedAndTheNextCallsRun) {
    host->ScheduleOnMainThread(owner, [] { throw FB::script_error("page failed"); });
    host->ScheduleOnMainThread(owner, [] { variant().convert_to<int>(); });
    host->ScheduleOnMainThread(owner, [] { throw std::runtime_error("other failure"); });
    bool ran = false;
    host->ScheduleOnMainThread(owner, [&] { ran = true; });
    EXPECT_NO_THROW(host->runPending());
    EXPECT_TRUE(ran);
}

TEST_F(BrowserHostTest, RefusedCallsAreDroppedForGood) {
    host->setRefusePosts(true);
    bool ran = false;
    host->ScheduleOnMainThread(owner, [&] { ran = true; });
    int plain = 0;
    EXPECT_FALSE(host->ScheduleAsyncCall(&countCall, &plain));
    host->setRefusePosts(false);
    host->Shutdown();
    host->runPending();
    EXPECT_FALSE(ran);
    EXPECT_EQ(plain, 0);
}

TEST_F(BrowserHostTest, ShutdownRunsPendingCallsOnceAndRefusesNewOnes) {
    int scheduled = 0;
    int plain = 0;
    host->ScheduleOnMainThread(owner, [&] { ++scheduled; });
    ASSERT_TRUE(host->ScheduleAsyncCall(&countCall, &plain));
    // A call queued from a call that shutdown runs is refused like any other.
    host->ScheduleOnMainThread(owner, [&] {
        ++scheduled;
        host->ScheduleOnMainThread(owner, [&] { scheduled += 100; });
    });

    host->Shutdown();
    EXPECT_TRUE(host->IsShutDown());
    EXPECT_EQ(scheduled, 2);
    EXPECT_EQ(plain, 1);

    // The browser still delivers the trampolines queued earlier; they find nothing to run.
    EXPECT_EQ(host->pendingCount(), 3U);
    host->runPending();
    EXPECT_EQ(scheduled, 2);
    EXPECT_EQ(plain, 1);

    host->ScheduleOnMainThread(owner, [&] { ++scheduled; });
    EXPECT_FALSE(host->ScheduleAsyncCall(&countCall, &plain));
    EXPECT_EQ(host->pendingCount(), 0U);
    host->Shutdown();
    EXPECT_EQ(scheduled, 2);
    EXPECT_EQ(plain, 1);
}

TEST_F(BrowserHostTest, TrampolineOfAHostThatIsGoneDoesNothing) {
    int plain = 0;
    // The test queue outlives the host here, as a browser's event queue would.
    std::vector<std::pair<void (*)(void*), void*>> delivered;
    struct Capture : TestBrowserHost {
        std::vector<std::pair<void (*)(void*), void*>>* into;
        bool PostToMainThread(void (*func)(void*), void* data) override {
            into->emplace_back(func, data);
            return true;
        }
    };
    auto capturing = std::make_shared<Capture>();
    capturing->into = &delivered;
    ASSERT_TRUE(capturing->ScheduleAsyncCall(&countCall, &plain));
    capturing.reset();
    ASSERT_EQ(delivered.size(), 1U);
    delivered[0].first(delivered[0].second);
    EXPECT_EQ(plain, 0);
}

namespace {

// Records the order of what shutdown does to it.
class Retained : public FB::JSAPIAuto {
public:
    explicit Retained(std::vector<std::string>& log) : m_log(log) {}
    ~Retained() override { m_log.push_back("released"); }
    void Shutdown() override { m_log.push_back("shutdown"); }

private:
    std::vector<std::string>& m_log;
};

} // namespace

TEST_F(BrowserHostTest, ShutdownStopsRetainedObjectsBeforeRunningPendingCalls) {
    std::vector<std::string> log;
    host->RetainJSAPIPtr(std::make_shared<Retained>(log));
    host->ScheduleOnMainThread(owner, [&] {
        log.push_back(host->IsShutDown() ? "pending call after flag" : "pending call before flag");
    });
    host->Shutdown();
    EXPECT_EQ(log, (std::vector<std::string>{"shutdown", "released", "pending call after flag"}));
    EXPECT_EQ(host->deferredReleaseCount(), 1);
}

TEST_F(BrowserHostTest, RetainedObjectsLiveUntilReleasedAsOftenAsRetained) {
    std::vector<std::string> log;
    auto object = std::make_shared<Retained>(log);
    const std::weak_ptr<Retained> watch = object;
    host->RetainJSAPIPtr(object);
    host->RetainJSAPIPtr(object);
    object.reset();
    host->ReleaseJSAPIPtr(watch.lock());
    EXPECT_FALSE(watch.expired());
    host->ReleaseJSAPIPtr(watch.lock());
    EXPECT_TRUE(watch.expired());

    auto other = std::make_shared<Retained>(log);
    host->RetainJSAPIPtr(other);
    other.reset();
    host->FreeRetainedObjects();
    EXPECT_EQ(log, (std::vector<std::string>{"released", "released"}));
    EXPECT_EQ(host->deferredReleaseCount(), 1);
}

TEST_F(BrowserHostTest, InitJSInstallsTheTimerFunctionNamedAfterTheHandle) {
    const struct {
        std::uintptr_t handle;
        const char* id;
    } cases[] = {{800, "900"}, {7, "7"}, {15, "16"}, {0xF0000000, "4529848320"}};
    for (const auto& c : cases) {
        auto page = TestBrowserHost::create();
        page->InitJS(reinterpret_cast<const void*>(c.handle));
        const std::string id = c.id;
        ASSERT_EQ(page->scripts().size(), 1U);
        EXPECT_EQ(page->scripts()[0],
                  "window.__FB_CALL_" + id +
                      " = function(delay, f, args, fname) {   if (arguments.length == 3)       "
                      "return setTimeout(function() { f.apply(null, args); }, delay);   else     "
                      "  return setTimeout(function() { f[fname].apply(f, args); }, delay);};")
            << c.handle;
    }
}

TEST_F(BrowserHostTest, DelayedInvokeGoesThroughThePageTimer) {
    const auto callback = RecordingFunction::create(host);
    const VariantList args{variant(1), variant("two")};

    EXPECT_EQ(host->DelayedInvoke(250, callback, args), -1) << "no window";

    const auto window = host->addWindow();
    EXPECT_EQ(host->DelayedInvoke(250, callback, args), -1) << "no timer function yet";

    host->InitJS(reinterpret_cast<const void*>(std::uintptr_t{800}));
    EXPECT_TRUE(window->defines("__FB_CALL_900"));
    const int first = host->DelayedInvoke(250, callback, args);
    const int second = host->DelayedInvoke(10, callback, {}, "log");
    EXPECT_NE(first, -1);
    EXPECT_NE(first, second);

    const auto timers = window->timers();
    ASSERT_EQ(timers.size(), 2U);
    EXPECT_EQ(timers[0].delay, 250);
    EXPECT_EQ(timers[0].func, callback);
    EXPECT_EQ(texts(timers[0].args), texts(args));
    EXPECT_EQ(timers[0].method, "");
    EXPECT_EQ(timers[1].method, "log");
    EXPECT_EQ(callback->callCount(), 0U);

    EXPECT_EQ(window->runTimers(), 2U);
    const auto calls = callback->calls();
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(calls[0].name, "");
    EXPECT_EQ(texts(calls[0].args), texts(args));
    EXPECT_EQ(calls[1].name, "log");
    EXPECT_TRUE(calls[0].onMainThread);
}

TEST_F(BrowserHostTest, HtmlLogWritesLaterToOutputAndConsole) {
    const auto window = host->addWindow();
    const auto console = window->addConsole();

    testing::internal::CaptureStdout();
    host->HtmlLog("first");
    EXPECT_EQ(console->callCount(), 0U);
    host->runPending();
    host->SetEnableHtmlLog(false);
    host->HtmlLog("hidden");
    host->runPending();
    host->SetEnableHtmlLog(true);
    host->removeWindow();
    host->HtmlLog("no console");
    host->runPending();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Logging: first\nLogging: no console\n");

    const auto calls = console->calls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].name, "log");
    EXPECT_EQ(texts(calls[0].args), std::vector<std::string>{"first"});
}
