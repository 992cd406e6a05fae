#include "NativeHost.h"
#include "BrowserHost.h"
#include "JSAPIAuto.h"
#include "JSObject.h"
#include "MemoryStreams.h"
#include "PluginCore.h"
#include "WorkerPool.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace FB::NativeMessaging;
using ::testing::HasSubstr;

namespace {

// Waits up to 10 s for the condition, polling.
template <typename Condition> bool eventually(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Holds the calls that wait on it until the test opens it.
class Gate {
public:
    void wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_open; });
    }
    void open() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

// What the host did with the plug-in objects, for the checks.
struct Log {
    Gate gate;
    std::atomic<int> made{0};
    std::atomic<int> shutDown{0};
    std::atomic<bool> deinitialized{false};
    // What the last scripting object was made with; elements make theirs on their own workers.
    std::mutex mutex;
    std::string origin;
    std::string modulePath;
};

// A scripting object with members that show what crosses the protocol: "echo" answers its
// arguments as a list, "callLater"(f, args) calls f with args from a worker thread, "big"
// answers a text of the given length, and "wait" answers once the gate opens, as a call
// waiting for a PIN dialog.
class ProtocolApi : public FB::JSAPIAuto {
public:
    ProtocolApi(WorkerPool& threads, Gate& gate) : m_threads(threads) {
        RegisterMethod("echo", [](const FB::VariantList& args) { return FB::variant(args); });
        RegisterMethod("wait", [&gate](const FB::VariantList&) {
            gate.wait();
            return FB::variant(true);
        });
        RegisterMethod("callLater", [this](const FB::VariantList& args) {
            const auto f = args.at(0).convert_to<FB::JSObjectPtr>();
            const FB::VariantList values(args.begin() + 1, args.end());
            m_threads.run([f, values] {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                f->InvokeAsync("", values);
            });
            return FB::variant(0);
        });
        RegisterMethod("big", [](const FB::VariantList& args) {
            return FB::variant(std::string(args.at(0).convert_to<std::size_t>(), 'x'));
        });
    }

private:
    WorkerPool& m_threads;
};

class ProtocolPlugin : public FB::PluginCore {
public:
    explicit ProtocolPlugin(Log& log) : m_log(log) { ++m_log.made; }
    ~ProtocolPlugin() override { m_threads.joinAll(); }
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr CreateJSAPI() override {
        const std::lock_guard<std::mutex> lock(m_log.mutex);
        m_log.origin = m_host->GetPageOrigin();
        m_log.modulePath = GetFSPath();
        return std::make_shared<ProtocolApi>(m_threads, m_log.gate);
    }
    void Shutdown() override {
        m_threads.joinAll();
        ++m_log.shutDown;
    }

private:
    Log& m_log;
    WorkerPool m_threads;
};

class ProtocolFactory : public FB::FactoryBase {
public:
    explicit ProtocolFactory(Log& log) : m_log(log) {}
    FB::PluginCorePtr CreatePlugin(const std::string&) override {
        return std::make_shared<ProtocolPlugin>(m_log);
    }
    void GlobalPluginDeinitialize() override { m_log.deinitialized = true; }

private:
    Log& m_log;
};

class NativeHostTest : public ::testing::Test {
protected:
    NativeHostTest()
        : m_host(m_sink, "/opt/kestrova/kestrova-host", std::make_shared<ProtocolFactory>(m_log)) {
        m_runner = std::thread([this] { m_host.run(m_pipe); });
    }
    ~NativeHostTest() override {
        m_log.gate.open();
        finish();
    }

    void send(const Json& message) { m_pipe.add(frame(message.dump())); }
    void sendRaw(const std::string& bytes) { m_pipe.add(bytes); }

    Json call(int id, const std::string& member, const Json& args,
              const std::string& instance = "e1", const std::string& origin = "https://a.test") {
        return Json{{"type", "call"},   {"id", id},         {"instance", instance},
                    {"origin", origin}, {"member", member}, {"args", args}};
    }

    // Message number index (from 0) that the host sent; waits for it.
    Json message(std::size_t index) {
        EXPECT_TRUE(m_sink->waitFor(index + 1)) << "no message " << index;
        const auto bodies = m_sink->messages();
        return index < bodies.size() ? Json::parse(bodies[index]) : Json();
    }

    bool eventuallyShutDown(int elements) {
        return eventually([&] { return m_log.shutDown >= elements; });
    }

    void finish() {
        if (!m_runner.joinable())
            return;
        m_pipe.close();
        m_runner.join();
    }

    Log m_log;
    std::shared_ptr<MemorySink> m_sink = std::make_shared<MemorySink>();
    MemoryPipe m_pipe;
    NativeHost m_host;
    std::thread m_runner;
};

} // namespace

TEST_F(NativeHostTest, ACallIsAnsweredWithItsIdAndTheValuesRoundTrip) {
    const Json args = Json::parse(
        R"([1, 2.5, "text", true, null, {"$undefined": true}, [1, [2]], {"$map": {"a": 1}}])");
    send(call(7, "echo", args));
    EXPECT_EQ(message(0), (Json{{"type", "result"}, {"id", 7}, {"value", args}}));
    EXPECT_EQ(m_log.made, 1);
    const std::lock_guard<std::mutex> lock(m_log.mutex);
    EXPECT_EQ(m_log.origin, "https://a.test");
    EXPECT_EQ(m_log.modulePath, "/opt/kestrova/kestrova-host");
}

TEST_F(NativeHostTest, ScriptExceptionsOfTheCallComeBackAsItsError) {
    send(call(1, "noSuchMember", Json::array()));
    send(call(2, "big", Json::array()));
    EXPECT_EQ(message(0), (Json{{"type", "error"},
                                {"id", 1},
                                {"kind", "script"},
                                {"message", "The specified member does not exist: noSuchMember"}}));
    EXPECT_EQ(message(1)["kind"], "script");
}

TEST_F(NativeHostTest, MessagesItCannotTakeAreRefusedAndServingGoesOn) {
    struct Case {
        std::string body;
        Json id; // null: the answer carries none
        const char* says;
    };
    const Case cases[] = {
        {"not json", nullptr, "not JSON"},
        {"[1,2]", nullptr, "not an object"},
        {R"({"id":3})", 3, "\"type\" must be text"},
        {R"({"id":4,"type":"launch"})", 4, "Unknown message type \"launch\""},
        {R"({"id":5,"type":"call","origin":"o","member":"echo"})", 5, "\"instance\" must be text"},
        {R"({"id":6,"type":"call","instance":"","origin":"o","member":"echo"})", 6,
         "must not be empty"},
        {R"({"id":7,"type":"call","instance":"e","origin":"o","member":"echo","args":{}})", 7,
         "\"args\" must be a list"},
        {R"({"type":"call","instance":"e","origin":"o","member":"echo"})", nullptr,
         "\"id\" must be present"},
        {R"({"id":9,"type":"call","instance":"e","origin":"o","member":"echo","args":[{"x":1}]})",
         9, "Unknown value object"},
    };
    for (const Case& c : cases)
        sendRaw(frame(c.body));
    send(call(99, "echo", Json::array({"still here"})));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Json answer = message(i);
        EXPECT_EQ(answer["type"], "error") << cases[i].body;
        EXPECT_EQ(answer.value("id", Json()), cases[i].id) << cases[i].body;
        EXPECT_THAT(answer["message"].get<std::string>(), HasSubstr(cases[i].says))
            << cases[i].body;
    }
    // The bad value is a script exception of the call, as a bad argument is in the other faces;
    // the rest are the protocol's.
    EXPECT_EQ(message(8)["kind"], "script");
    EXPECT_EQ(message(0)["kind"], "protocol");
    EXPECT_EQ(message(std::size(cases))["value"], Json::array({"still here"}));
}

TEST_F(NativeHostTest, AMessageOverTheLimitIsRefusedAndTheNextServed) {
    sendRaw(header(maxMessageToHost + 1));
    sendRaw(std::string(maxMessageToHost + 1, ' '));
    send(call(2, "echo", Json::array({1})));
    const Json refused = message(0);
    EXPECT_EQ(refused["kind"], "protocol");
    EXPECT_THAT(refused["message"].get<std::string>(),
                HasSubstr(std::to_string(maxMessageToHost + 1) + " bytes is over the limit"));
    EXPECT_EQ(message(1)["value"], Json::array({1}));
}

TEST_F(NativeHostTest, AResultOverTheBrowsersLimitBecomesAnError) {
    send(call(1, "big", Json::array({maxMessageToBrowser})));
    send(call(2, "big", Json::array({1000})));
    EXPECT_EQ(message(0)["message"], "The result is too large to reach the page");
    EXPECT_EQ(message(1)["value"], std::string(1000, 'x'));
}

TEST_F(NativeHostTest, PageFunctionsAreCalledBackByIdAndThenReleased) {
    send(call(1, "callLater", Json::parse(R"([{"$fn": 5}, "-20", 3])")));
    EXPECT_EQ(message(0), (Json{{"type", "result"}, {"id", 1}, {"value", 0}}));
    EXPECT_EQ(message(1), Json::parse(R"({"type":"callback","instance":"e1","function":5,
                                          "args":["-20",3]})"));
    EXPECT_EQ(message(2), Json::parse(R"({"type":"release","instance":"e1","function":5})"));
}

TEST_F(NativeHostTest, ElementsAreSeparateAndADestroyedOneCallsNoMore) {
    send(call(1, "echo", Json::array(), "gone"));
    send(call(2, "echo", Json::array(), "stays", "https://b.test"));
    ASSERT_TRUE(m_sink->waitFor(2));
    EXPECT_EQ(m_log.made, 2);
    // The worker waits 20 ms before it queues its callback; the element goes first.
    send(call(3, "callLater", Json::parse(R"([{"$fn": 1}, "late"])"), "gone"));
    send(Json{{"type", "destroy"}, {"instance", "gone"}});
    send(
        call(4, "callLater", Json::parse(R"([{"$fn": 2}, "on time"])"), "stays", "https://b.test"));
    // Both functions are released once their workers are done with them.
    ASSERT_TRUE(m_sink->waitFor(7));
    finish();
    std::vector<Json> callbacks;
    for (const std::string& body : m_sink->messages())
        if (Json::parse(body)["type"] == "callback")
            callbacks.push_back(Json::parse(body));
    ASSERT_EQ(callbacks.size(), 1u);
    EXPECT_EQ(callbacks[0]["instance"], "stays");
    EXPECT_EQ(callbacks[0]["args"], Json::array({"on time"}));
    // A call that names the destroyed element makes it afresh.
    EXPECT_EQ(m_log.made, 2);
}

TEST_F(NativeHostTest, AnElementServesOnlyTheSiteThatMadeIt) {
    send(call(1, "echo", Json::array(), "e1", "https://a.test"));
    send(call(2, "echo", Json::array(), "e1", "https://evil.test"));
    // The refusal is the main loop's; the call runs on the element's worker, maybe later.
    std::map<int, Json> answers;
    for (std::size_t i = 0; i < 2; ++i)
        answers[message(i)["id"].get<int>()] = message(i);
    EXPECT_EQ(answers[1]["type"], "result");
    EXPECT_THAT(answers[2]["message"].get<std::string>(), HasSubstr("belongs to another site"));
}

// A call waiting for the user holds up its own element's later calls, which keep their order,
// and nothing else: not another element's calls, not the element's going.
TEST_F(NativeHostTest, AnElementsCallsRunInOrderBesideTheOtherElements) {
    send(call(1, "wait", Json::array(), "held"));
    send(call(2, "echo", Json::array({"after"}), "held"));
    send(call(3, "echo", Json::array({"other"}), "free", "https://b.test"));
    send(call(4, "echo", Json::array(), "gone"));
    send(Json{{"type", "destroy"}, {"instance", "gone"}});
    EXPECT_EQ((std::set<Json>{message(0)["id"], message(1)["id"]}), (std::set<Json>{3, 4}));
    EXPECT_TRUE(eventuallyShutDown(1));
    m_log.gate.open();
    EXPECT_EQ(message(2), (Json{{"type", "result"}, {"id", 1}, {"value", true}}));
    EXPECT_EQ(message(3)["value"], Json::array({"after"}));
}

// However many elements a page makes, the host runs at most its bound of calls at once; past
// it a call is refused with a failure of its own, and once calls end the host serves again.
TEST_F(NativeHostTest, CallsPastTheProcesssBoundAreRefusedAndServingGoesOn) {
    for (std::size_t i = 0; i < NativeHost::kBusyThreads; ++i)
        send(call(static_cast<int>(i), "wait", Json::array(), "e" + std::to_string(i)));
    send(call(100, "echo", Json::array(), "late"));
    const Json refused = message(0);
    EXPECT_EQ(refused["id"], 100);
    EXPECT_EQ(refused["kind"], "busy");
    m_log.gate.open();
    ASSERT_TRUE(m_sink->waitFor(NativeHost::kBusyThreads + 1));
    // The answers go before their workers give their places back.
    EXPECT_TRUE(eventually([] {
        if (!ThreadBudget::process().startTask())
            return false;
        ThreadBudget::process().endTask();
        return true;
    }));
    send(call(101, "echo", Json::array({"served"}), "late"));
    EXPECT_EQ(message(NativeHost::kBusyThreads + 1)["value"], Json::array({"served"}));
}

TEST_F(NativeHostTest, TheEndOfInputShutsEveryElementDownAndEndsTheModule) {
    send(call(1, "echo", Json::array(), "x"));
    send(call(2, "echo", Json::array(), "y"));
    ASSERT_TRUE(m_sink->waitFor(2));
    finish();
    EXPECT_EQ(m_log.shutDown, 2);
    EXPECT_TRUE(m_log.deinitialized);
}

TEST_F(NativeHostTest, ABrowserThatHasGoneIsNoReasonToStop) {
    m_sink->breakOff();
    send(call(1, "echo", Json::array()));
    send(call(2, "callLater", Json::parse(R"([{"$fn": 1}])")));
    finish();
    EXPECT_TRUE(m_log.deinitialized);
}
