#include "ApiFixture.h"
#include "JoiningThread.h"
#include "PageValues.h"
#include "RecordingFunction.h"
#include "TestBrowserHost.h"
#include "TestEnv.h"

#include <gmock/gmock.h>

#include <atomic>
#include <thread>

namespace {

using ::testing::Contains;

// Calls made with callbacks, through a host whose main thread is the test: nothing reaches the
// page until the test runs the main-thread queue.
class CallbackTest : public ApiFixture {
protected:
    void SetUp() override {
        host = TestBrowserHost::create();
        createPlugin(host);
        success = RecordingFunction::create(host);
        failure = RecordingFunction::create(host);
    }
    void TearDown() override {
        // The element goes: workers end, then the host runs what they queued.
        destroyPlugin();
        host->Shutdown();
        EXPECT_FALSE(success->calledOffMainThread());
        EXPECT_FALSE(failure->calledOffMainThread());
    }

    FB::VariantList withCallbacks(FB::VariantList args) {
        args.emplace_back(FB::JSObjectPtr(success));
        args.emplace_back(FB::JSObjectPtr(failure));
        return args;
    }
    // Starts the call, which must answer 0 before any callback ran, and serves the main
    // thread until one of the two callbacks was called.
    void start(const std::string& method, const FB::VariantList& args) {
        const std::size_t before = success->callCount() + failure->callCount();
        const FB::variant started = call(method, withCallbacks(args));
        EXPECT_EQ(started.convert_to<int>(), 0) << method;
        EXPECT_EQ(success->callCount() + failure->callCount(), before)
            << method << ": a callback ran inside the call";
    }
    FB::variant result(const std::string& method, const FB::VariantList& args = {}) {
        const std::size_t succeeded = success->callCount();
        const std::size_t failed = failure->callCount();
        start(method, args);
        EXPECT_TRUE(host->runUntil([&] {
            return success->callCount() + failure->callCount() > succeeded + failed;
        })) << method
            << ": no callback";
        EXPECT_EQ(failure->callCount(), failed) << method << " failed";
        if (success->callCount() == succeeded)
            return FB::variant();
        const RecordingFunction::Call last = success->calls().back();
        EXPECT_TRUE(last.onMainThread) << method;
        EXPECT_EQ(last.name, "");
        EXPECT_EQ(last.args.size(), 1u);
        return last.args.empty() ? FB::variant() : last.args[0];
    }
    // The text an error callback received.
    std::string failureText(const std::string& method, const FB::VariantList& args) {
        const std::size_t succeeded = success->callCount();
        const std::size_t failed = failure->callCount();
        start(method, args);
        EXPECT_TRUE(host->runUntil([&] { return failure->callCount() > failed; })) << method;
        EXPECT_EQ(success->callCount(), succeeded) << method;
        if (failure->callCount() == failed)
            return std::string();
        const RecordingFunction::Call got = failure->calls().back();
        EXPECT_TRUE(got.onMainThread);
        EXPECT_TRUE(got.args.at(0).holds<std::string>()) << "the code is given as text";
        return got.args.at(0).convert_to<std::string>();
    }

    std::shared_ptr<TestBrowserHost> host;
    std::shared_ptr<RecordingFunction> success;
    std::shared_ptr<RecordingFunction> failure;
};

TEST_F(CallbackTest, EveryMethodDeliversItsResultOnTheMainThread) {
    EXPECT_TRUE(result("kvwIsTokenPresentAndOK").convert_to<bool>());
    EXPECT_EQ(result("kvwIsUserLoggedIn").convert_to<int>(), -2);
    EXPECT_TRUE(result("kvwUserLoginDlg", {FB::variant()}).convert_to<bool>());
    EXPECT_TRUE(result("kvwLogout").convert_to<bool>());
    EXPECT_EQ(result("kvwGetDeviceID").convert_to<std::string>(), "0123456789AB");

    const std::string key =
        result("kvwGenKeyPair", {"box", FB::variant()}).convert_to<std::string>();
    ASSERT_EQ(key.size(), 128u);
    EXPECT_EQ(result("kvwGetPublicKey", {"box"}).convert_to<std::string>(), key);
    EXPECT_EQ(result("kvwGetNumberOfContainers").convert_to<int>(), 1);
    EXPECT_EQ(result("kvwGetContainerName", {0}).convert_to<std::string>(), "box");

    const gost::Scalar hash{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_TRUE(pageSignatureVerifies(
        key, hash,
        result("kvwSign", {"box", pageNumber(hash), FB::variant()}).convert_to<std::string>()));
    const Bytes data = {'a', 'b', 'c'};
    const gost::Digest digest = gost::hash3411(data.data(), data.size());
    EXPECT_TRUE(pageSignatureVerifies(
        key, digest,
        result("kvwHashSign", {"box", bytesToHex(data), FB::variant()}).convert_to<std::string>()));

    gost::Scalar peerPrivate;
    gost::Point peerPublic;
    ASSERT_TRUE(gost::generateKeyPair(gost::Curve::CryptoProA, peerPrivate, peerPublic));
    const gost::Ukm ukm{8, 7, 6, 5, 4, 3, 2, 1};
    gost::Key256 kek;
    ASSERT_TRUE(gost::vko(gost::Curve::CryptoProA, peerPrivate, publicKeyOfPage(key), ukm, kek));
    const gost::Key256 sessionKey = gost::cryptoProDiversify(kek, ukm);
    EXPECT_EQ(result("kvwMakeSessionKey",
                     {"box", pagePublicKey(peerPublic), "0102030405060708", FB::variant()})
                  .convert_to<std::string>(),
              bytesToHex(Bytes(sessionKey.begin(), sessionKey.end())));

    EXPECT_TRUE(result("kvwImportCertificate", {"box", "3082"}).convert_to<bool>());
    gost::Scalar d;
    gost::Point q;
    ASSERT_TRUE(gost::generateKeyPair(gost::Curve::CryptoProA, d, q));
    EXPECT_TRUE(pageSignatureVerifies(
        pagePublicKey(q), hash,
        result("kvwRepair", {scrambledKey(d), pageNumber(hash)}).convert_to<std::string>()));
    EXPECT_TRUE(result("kvwDestroyContainer", {"box", FB::variant()}).convert_to<bool>());
    expectIdle();
}

TEST_F(CallbackTest, FailureCodesReachTheErrorCallbackAsText) {
    EXPECT_EQ(failureText("kvwSign", {"", "00", FB::variant()}), "-11");
    EXPECT_EQ(failureText("kvwGetPublicKey", {"nobody"}), "-20");
    gui.setScript(pinAnswer("0000"));
    EXPECT_EQ(failureText("kvwUserLoginDlg", {FB::variant()}), "-4");
    gui.setScript(statusAnswer(-60));
    EXPECT_EQ(failureText("kvwGenKeyPair", {"box", FB::variant()}), "-60");
    configure(emptySlot());
    EXPECT_EQ(failureText("kvwGetNumberOfContainers", {}), "-1");
    // Values that look like failures are results.
    EXPECT_EQ(result("kvwIsTokenPresentAndOK").convert_to<int>(), -1);
    expectIdle();
}

TEST_F(CallbackTest, ErrorCallbackAloneRunsTheCallDirectly) {
    const FB::variant got =
        call("kvwGetDeviceID", {FB::variant(), FB::variant(FB::JSObjectPtr(failure))});
    EXPECT_EQ(got.convert_to<std::string>(), "0123456789AB");
    EXPECT_EQ(call("kvwSign",
                   {"", "00", FB::variant(), FB::variant(), FB::variant(FB::JSObjectPtr(failure))})
                  .convert_to<int>(),
              -11);
    EXPECT_EQ(host->runPending(), 0u);
    EXPECT_EQ(failure->callCount(), 0u);
}

TEST_F(CallbackTest, FailureWithoutErrorCallbackCallsNothing) {
    configure(emptySlot());
    EXPECT_EQ(call("kvwGetDeviceID", {FB::variant(FB::JSObjectPtr(success))}).convert_to<int>(), 0);
    plugin->Shutdown(); // the worker has ended
    EXPECT_EQ(host->runPending(), 0u);
    EXPECT_EQ(success->callCount(), 0u);
}

TEST_F(CallbackTest, WithThePluginObjectGoneNoWorkerStarts) {
    destroyPlugin();
    for (const char* method : {"kvwIsUserLoggedIn", "kvwLogout", "kvwGetDeviceID"})
        EXPECT_EQ(call(method, withCallbacks({})).convert_to<int>(), -53) << method;
    EXPECT_EQ(call("kvwRepair", withCallbacks({"P", "00"})).convert_to<int>(), -53);
    EXPECT_EQ(host->runPending(), 0u);
}

TEST_F(CallbackTest, TwoKeyPairCallsTakeTheTokenOneAfterTheOther) {
    // The first PIN entry stays open until the test lets it go; a second exchange meanwhile
    // would fail with -12.
    gui.setScript("read\ntouch started\nawait go\nline 0\nline 1234\n");
    start("kvwGenKeyPair", {"first", FB::variant()});
    start("kvwGenKeyPair", {"second", FB::variant()});
    ASSERT_TRUE(gui.waitFor("started"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(recorded("stdin-end").size(), 1u) << "the second call did not wait for the token";
    gui.touch("go");
    ASSERT_TRUE(host->runUntil([&] { return success->callCount() + failure->callCount() == 2; }));
    EXPECT_EQ(failure->callCount(), 0u);
    EXPECT_EQ(success->args(0)[0].convert_to<std::string>().size(), 128u);
    EXPECT_EQ(success->args(1)[0].convert_to<std::string>().size(), 128u);
    EXPECT_EQ(recorded("stdin-end").size(), 2u);
    expectIdle();
}

TEST_F(CallbackTest, ShutdownWaitsForRunningWorkersAndTheHostDeliversTheirResults) {
    // Another element's PIN entry holds the token, so this element's worker still waits for it
    // when the element shuts down.
    gui.setScript("read\ntouch started\nawait go\nline 0\nline 1234\n");
    const FB::PluginCorePtr mine = plugin;
    const FB::JSAPIPtr myApi = api;
    createPlugin(host);
    const FB::PluginCorePtr other = plugin;
    const FB::JSAPIPtr otherApi = api;
    FB::variant otherResult;
    JoiningThread otherPage([&] { otherResult = otherApi->Invoke("kvwUserLoginDlg", {}); },
                            [&] { gui.touch("go"); });
    ASSERT_TRUE(gui.waitFor("started"));
    plugin = mine;
    api = myApi;
    start("kvwGetNumberOfContainers", {});
    JoiningThread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gui.touch("go");
    });
    plugin->Shutdown();
    user.join();
    otherPage.join();
    EXPECT_TRUE(otherResult.convert_to<bool>());
    EXPECT_EQ(success->callCount(), 0u);
    EXPECT_GE(host->pendingCount(), 1u);
    // No new worker after the element's shutdown.
    EXPECT_EQ(call("kvwGetDeviceID", withCallbacks({})).convert_to<int>(), -53);
    destroyPlugin();
    other->Shutdown();
    host->Shutdown();
    EXPECT_EQ(success->callCount(), 1u);
    EXPECT_TRUE(success->calls()[0].onMainThread);
    expectIdle();
}

TEST_F(CallbackTest, ElementGoingEndsItsOpenPinEntry) {
    // The user closes the tab while the dialog is open, or the program never answers: the
    // browser waits in Shutdown, so the element's dialog ends and its worker with it.
    gui.setScript("read\npid\ntouch started\nawait never\nline 0\nline 1234\n");
    start("kvwUserLoginDlg", {FB::variant()});
    ASSERT_TRUE(gui.waitFor("started"));
    const unsigned long pid = std::stoul(recorded("pid ").at(0).substr(4));
    plugin->Shutdown();
    EXPECT_TRUE(processEnds(pid));
    destroyPlugin();
    host->Shutdown();
    // The page is gone; at most its error callback was queued, never a success.
    EXPECT_EQ(success->callCount(), 0u);
    EXPECT_LE(failure->callCount(), 1u);
    expectIdle();
    // Another element of the page asks as before.
    createPlugin(host);
    gui.setScript(pinAnswer());
    EXPECT_TRUE(call("kvwUserLoginDlg").convert_to<bool>());
}

TEST_F(CallbackTest, ResultsQueuedAfterTheHostShutDownAreDropped) {
    gui.setScript("read\ntouch started\nawait go\nline 0\nline 1234\n");
    start("kvwUserLoginDlg", {FB::variant()});
    ASSERT_TRUE(gui.waitFor("started"));
    host->Shutdown();
    gui.touch("go");
    destroyPlugin();
    EXPECT_EQ(host->runPending(), 0u);
    EXPECT_EQ(success->callCount() + failure->callCount(), 0u);
    expectIdle();
}

// A page that fires many callback calls at once: each gets its own pair of callbacks, so every
// answer is traced to its call.
class ManyCallsTest : public CallbackTest {
protected:
    struct Pending {
        std::shared_ptr<RecordingFunction> success, failure;
        std::size_t answers() const { return success->callCount() + failure->callCount(); }
    };

    void SetUp() override {
        CallbackTest::SetUp();
        ASSERT_EQ(result("kvwGenKeyPair", {"box", FB::variant()}).convert_to<std::string>().size(),
                  128u);
    }

    // count calls of mixed methods, token-free ones and ones that log in among them.
    void startMany(std::size_t count) {
        const std::string hash(64, 'A');
        const std::vector<std::pair<const char*, FB::VariantList>> mix = {
            {"kvwGetDeviceID", {}},
            {"kvwIsTokenPresentAndOK", {}},
            {"kvwGetNumberOfContainers", {}},
            {"kvwGetPublicKey", {"box"}},
            {"kvwSign", {"box", hash, "1234"}},
            {"kvwIsUserLoggedIn", {}},
            {"kvwUserLoginDlg", {FB::variant()}},
            {"kvwGetPublicKey", {"missing"}},
            {"kvwHashSign", {"box", "00", FB::variant()}},
            {"kvwLogout", {}},
        };
        for (std::size_t i = 0; i < count; ++i) {
            const auto& [method, args] = mix[i % mix.size()];
            Pending p{RecordingFunction::create(host), RecordingFunction::create(host)};
            FB::VariantList withOwn = args;
            withOwn.emplace_back(FB::JSObjectPtr(p.success));
            withOwn.emplace_back(FB::JSObjectPtr(p.failure));
            EXPECT_EQ(call(method, withOwn).convert_to<int>(), 0) << method;
            pending.push_back(p);
        }
    }
    std::size_t answered() const {
        std::size_t n = 0;
        for (const Pending& p : pending)
            n += p.answers() > 0;
        return n;
    }
    void expectAtMostOnceOnTheMainThread() const {
        for (std::size_t i = 0; i < pending.size(); ++i) {
            EXPECT_LE(pending[i].answers(), 1u) << "call " << i;
            EXPECT_FALSE(pending[i].success->calledOffMainThread()) << "call " << i;
            EXPECT_FALSE(pending[i].failure->calledOffMainThread()) << "call " << i;
        }
    }

    std::vector<Pending> pending;
};

TEST_F(ManyCallsTest, HundredCallsAtOnceAreEachAnsweredOnce) {
    startMany(100);
    // A bound against a hang only, so it bounds the wait for the next answer, not for all of
    // them: the hundred take most of ten seconds under Wine on a busy machine, and five times
    // that where qemu-i386 runs the 32-bit build.
    for (std::size_t done = answered(); done < pending.size(); done = answered())
        ASSERT_TRUE(host->runUntil([&] { return answered() > done; }, std::chrono::seconds(60)))
            << "no answer for a minute, " << pending.size() - done << " of " << pending.size()
            << " outstanding";
    expectAtMostOnceOnTheMainThread();
    // The PIN-entry program is asked one call at a time, so none was refused as busy.
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (pending[i].failure->callCount()) {
            EXPECT_NE(pending[i].failure->args(0)[0].convert_to<std::string>(), "-12") << i;
        }
    }
    expectIdle();
}

TEST_F(ManyCallsTest, ElementRemovedWithHundredCallsInFlight) {
    // The dialog stays open until the element goes.
    gui.setScript("read\ntouch asked\nawait never\nline 0\nline 1234\n");
    startMany(100);
    ASSERT_TRUE(gui.waitFor("asked"));
    host->runPending();
    destroyPlugin();
    host->Shutdown();
    const std::size_t delivered = answered();
    expectAtMostOnceOnTheMainThread();
    // Nothing arrives late, after the page's host has gone.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    host->runPending();
    EXPECT_EQ(answered(), delivered);
    expectIdle();
}

// A small soak: elements made and removed with calls of every kind, direct and with callbacks.
// The sanitizer trees run it for what it leaves behind (leaks at exit, races); here, the token
// must end with nothing open.
TEST_F(ManyCallsTest, RoundsOnFreshElementsLeaveNothingOpen) {
    const std::string hash(64, 'A');
    for (int round = 0; round < 5; ++round) {
        // Each element has a host of its own, shut down with it.
        destroyPlugin();
        host = TestBrowserHost::create();
        createPlugin(host);
        startMany(40);
        EXPECT_EQ(text("kvwSign", {"box", hash, "1234"}).size(), 128u);
        EXPECT_EQ(call("kvwGetPublicKey", {"missing"}).convert_to<int>(), -20);
        EXPECT_EQ(call("kvwRepair", {"", hash}).convert_to<int>(), -11);
        ASSERT_TRUE(host->runUntil([&] { return answered() == pending.size(); }));
    }
    expectAtMostOnceOnTheMainThread();
    destroyPlugin();
    expectIdle();
}

TEST_F(CallbackTest, ListingOnAWorkerWhileTheMainThreadReadsNames) {
    for (const char* name : {"a", "b", "c"})
        ASSERT_EQ(result("kvwGenKeyPair", {name, FB::variant()}).convert_to<std::string>().size(),
                  128u);
    for (int round = 0; round < 20; ++round) {
        start("kvwGetNumberOfContainers", {});
        // Reads race the worker's replacement of the list: a name or -20, never garbage.
        const FB::variant name = call("kvwGetContainerName", {round % 3});
        if (name.holds<std::string>())
            EXPECT_THAT((std::vector<std::string>{"a", "b", "c"}),
                        Contains(name.convert_to<std::string>()));
        else
            EXPECT_EQ(name.convert_to<int>(), -20);
    }
    ASSERT_TRUE(host->runUntil([&] { return success->callCount() == 23; }));
    EXPECT_EQ(success->args(22)[0].convert_to<int>(), 3);
}

} // namespace
