#include "BrowserHost.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using FB::variant;
using FB::VariantList;

namespace {

class JSObjectTest : public ::testing::Test {
protected:
    std::shared_ptr<TestBrowserHost> host = TestBrowserHost::create();
    std::shared_ptr<RecordingFunction> callback = RecordingFunction::create(host);
};

// A page function whose record outlives it.
class LoggingFunction : public TestPageObject {
public:
    LoggingFunction(const FB::BrowserHostPtr& host, std::shared_ptr<std::vector<std::string>> log)
        : TestPageObject(host), m_log(std::move(log)) {}

protected:
    variant call(const std::string&, const VariantList& args) override {
        m_log->push_back(texts(args).at(0));
        return variant();
    }
    bool hasMethod(const std::string& name) const override { return name.empty(); }

private:
    std::shared_ptr<std::vector<std::string>> m_log;
};

} // namespace

TEST_F(JSObjectTest, InvokeAsyncOnTheMainThreadQueues) {
    callback->InvokeAsync("", VariantList{variant("result")});
    EXPECT_EQ(callback->callCount(), 0U);
    host->runPending();
    const auto calls = callback->calls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].name, "");
    EXPECT_EQ(texts(calls[0].args), std::vector<std::string>{"result"});
    EXPECT_TRUE(calls[0].onMainThread);
}

TEST_F(JSObjectTest, InvokeAsyncFromAWorkerNeverWaitsForThePage) {
    callback->throwScriptError("the page failed");
    onWorker(*host, [&] {
        callback->InvokeAsync("", VariantList{variant(1)});
        callback->InvokeAsync("", VariantList{variant(2)});
        return 0;
    });
    EXPECT_NO_THROW(host->runPending()) << "a page failure in a queued call is dropped";
    const auto calls = callback->calls();
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(texts(calls[0].args), std::vector<std::string>{"1"});
    EXPECT_EQ(texts(calls[1].args), std::vector<std::string>{"2"});
    EXPECT_TRUE(calls[1].onMainThread);
    EXPECT_FALSE(callback->calledOffMainThread());
}

TEST_F(JSObjectTest, QueuedCallKeepsAPageFunctionThatNobodyElseHolds) {
    const auto log = std::make_shared<std::vector<std::string>>();
    onWorker(*host, [&] {
        // As a worker that hands its result to the callback and ends.
        std::make_shared<LoggingFunction>(host, log)->InvokeAsync("", VariantList{variant("r")});
        return 0;
    });
    host->runPending();
    EXPECT_EQ(*log, std::vector<std::string>{"r"});
}

TEST_F(JSObjectTest, SetPropertyAsyncQueues) {
    callback->SetPropertyAsync("answer", variant(42));
    EXPECT_TRUE(callback->property("answer").is_empty());
    host->runPending();
    EXPECT_EQ(callback->property("answer").convert_to<int>(), 42);
}

TEST_F(JSObjectTest, AsynchronousCallsAfterShutdownAreDropped) {
    host->Shutdown();
    EXPECT_NO_THROW(callback->InvokeAsync("", {}));
    EXPECT_NO_THROW(callback->SetPropertyAsync("answer", variant(1)));
    host->runPending();
    EXPECT_EQ(callback->callCount(), 0U);
    EXPECT_TRUE(callback->property("answer").is_empty());
}

TEST_F(JSObjectTest, AsynchronousCallsWithoutAHostFail) {
    host.reset();
    EXPECT_EQ(failureOf([&] { callback->InvokeAsync("", {}); }), "Cannot invoke asynchronously");
    EXPECT_EQ(failureOf([&] { callback->SetPropertyAsync("a", variant(1)); }),
              "Cannot invoke asynchronously");
    EXPECT_EQ(failureOf([&] { callback->InvokeDelayed(10, {}); }), "Cannot invoke asynchronously");
    EXPECT_THROW(callback->InvokeAsync("", {}), std::runtime_error);
}

TEST_F(JSObjectTest, InvokeDelayedCallsThroughThePageTimer) {
    const auto window = host->addWindow();
    host->InitJS(host.get());
    callback->InvokeDelayed(250, VariantList{variant("later")});
    const auto timers = window->timers();
    ASSERT_EQ(timers.size(), 1U);
    EXPECT_EQ(timers[0].delay, 250);
    EXPECT_EQ(timers[0].func, callback);
    EXPECT_EQ(timers[0].method, "");
    EXPECT_EQ(callback->callCount(), 0U);
    window->runTimers();
    ASSERT_EQ(callback->callCount(), 1U);
    EXPECT_EQ(texts(callback->args(0)), std::vector<std::string>{"later"});
}
