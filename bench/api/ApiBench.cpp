// The scripting object on the real kvpkcs11 module: what a scripting call costs over the same
// work in bare PKCS#11 calls, and how long a success callback takes to reach the page.
#include "ApiFixture.h"
#include "CallbackTiming.h"
#include "Figures.h"
#include "Pkcs11.h"
#include "ProcessPkcs11.h"
#include "RawPkcs11.h"

#include "SecureWipe.h"
#include "kestrovaAPI.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int rounds = 7;
constexpr auto roundSpan = std::chrono::milliseconds(300);
constexpr int latencyCalls = 200;
const std::string container = "bench";

// The integration tests' plug-in folder and plug-in object, set up outside a test.
class BenchPlugin : public ApiFixture {
    void TestBody() override {}
};

std::string text(const FB::variant& result, const char* method) {
    if (!result.holds<std::string>())
        throw std::runtime_error(std::string(method) + " answered " +
                                 result.convert_to<std::string>());
    return result.convert_to<std::string>();
}

// Rounds alternate between the two sides so that both see the same machine load.
void compare(const char* what, const std::function<void()>& scripting,
             const std::function<void()>& raw) {
    std::vector<double> scriptingRates;
    std::vector<double> rawRates;
    for (int round = 0; round < rounds; ++round) {
        scriptingRates.push_back(callsPerSecond(scripting, roundSpan));
        rawRates.push_back(callsPerSecond(raw, roundSpan));
    }
    std::printf("%-16s %10.0f %10.0f %10.0f %10.0f %9.2fx\n", what, best(scriptingRates),
                median(scriptingRates), best(rawRates), median(rawRates),
                median(rawRates) / median(scriptingRates));
}

void callOverhead(const FB::JSAPIPtr& api) {
    RawPkcs11 raw(processPkcs11()->functionList());
    const CK_SLOT_ID slot = raw.firstTokenSlot();
    // Both sides must do the same work and get the same answer.
    if (text(api->Invoke("kvwGetDeviceID", {}), "kvwGetDeviceID") != raw.deviceId() ||
        text(api->Invoke("kvwGetPublicKey", {container}), "kvwGetPublicKey").size() !=
            2 * raw.publicKey(slot, container).size())
        throw std::runtime_error("the scripting and the raw calls disagree");

    std::printf("Call overhead, calls/s over %d rounds of %lld ms each\n", rounds,
                static_cast<long long>(roundSpan.count()));
    std::printf("%-16s %10s %10s %10s %10s %10s\n", "", "script", "script", "PKCS#11", "PKCS#11",
                "overhead");
    std::printf("%-16s %10s %10s %10s %10s %10s\n", "", "best", "median", "best", "median",
                "(medians)");
    compare(
        "kvwGetDeviceID", [&] { api->Invoke("kvwGetDeviceID", {}); }, [&] { raw.deviceId(); });
    compare(
        "kvwGetPublicKey", [&] { api->Invoke("kvwGetPublicKey", {container}); },
        [&] { raw.publicKey(slot, container); });
}

// The cost of the scripting path itself: a direct call of get_version through the member table
// beside the same member called as a plain C++ function.
void directCallCost(const FB::JSAPIPtr& api) {
    const auto& object = static_cast<kestrovaAPI&>(*api);
    std::vector<double> scripted;
    std::vector<double> plain;
    for (int round = 0; round < rounds; ++round) {
        scripted.push_back(callsPerSecond([&] { api->Invoke("get_version", {}); }, roundSpan));
        plain.push_back(callsPerSecond([&] { object.get_version(); }, roundSpan));
    }
    std::printf("\nDirect call get_version, microseconds per call (medians)\n");
    std::printf("  %-44s %10.3f\n", "through the member table", 1e6 / median(scripted));
    std::printf("  %-44s %10.3f\n", "plain C++ call of the member", 1e6 / median(plain));
    std::printf("  %-44s %10.1f\n", "ratio", median(plain) / median(scripted));
}

// How far below the caller the frames of the members that handle a secret reach, so that the
// stack wiped after them can be sized: the stack under this frame is cleared, the member called
// as a C++ function (the member table would add its own wipe), and the deepest byte left
// non-zero found. Both helpers' arrays start where the member's frames start.
constexpr std::size_t kPainted = 256 * 1024;
constexpr unsigned char kPaint = 0;

[[gnu::noinline]] void paintStack() {
    unsigned char area[kPainted];
    std::memset(area, kPaint, sizeof(area));
    asm volatile("" : : "r"(area) : "memory");
}

[[gnu::noinline]] std::size_t paintedReach() {
    unsigned char area[kPainted];
    asm volatile("" : : "r"(area) : "memory");
    std::size_t untouched = 0;
    while (untouched < kPainted && area[untouched] == kPaint)
        ++untouched;
    return kPainted - untouched;
}

void secretStackReach(const FB::JSAPIPtr& api) {
    auto& object = static_cast<kestrovaAPI&>(*api);
    const std::string hash(64, 'A');
    const std::string scrambled =
        "PLOKIJUHYGTFRDES0123456789PLOKIJPLOKIJUHYGTFRDES0123456789PLOKIJ";
    const std::string publicKey = text(object.kvwGetPublicKey(container, {}, {}), "key");
    const std::string pin = "1234";
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"kvwUserLoginDlg", [&] { object.kvwUserLoginDlg(pin, {}, {}); }},
        {"kvwSign", [&] { object.kvwSign(container, hash, pin, {}, {}); }},
        {"kvwHashSign", [&] { object.kvwHashSign(container, "00", pin, {}, {}); }},
        {"kvwMakeSessionKey",
         [&] { object.kvwMakeSessionKey(container, publicKey, "0102030405060708", pin, {}, {}); }},
        {"kvwRepair", [&] { object.kvwRepair(scrambled, hash, {}, {}); }},
        {"kvwGenKeyPair", [&] { object.kvwGenKeyPair("reach", pin, {}, {}); }},
        {"kvwDestroyContainer", [&] { object.kvwDestroyContainer("reach", pin, {}, {}); }},
    };
    std::printf(
        "\nStack reach of the members that handle a secret, bytes (wiped after each: %zu)\n",
        kSecretStackReach);
    for (const auto& [method, call] : calls) {
        paintStack();
        call();
        std::printf("  %-44s %10zu\n", method, paintedReach());
    }
}

void printLatency(const char* what, const std::vector<double>& sample) {
    std::printf("  %-44s %10.1f %10.1f\n", what, median(sample), percentile(sample, 0.95));
}

void callbackLatency(const FB::JSAPIPtr& api, const std::shared_ptr<TimedHost>& host) {
    const auto success = std::make_shared<TimedFunction>(host);
    const auto failure = RecordingFunction::create(host);
    const FB::VariantList callbacks{FB::JSObjectPtr(success), FB::JSObjectPtr(failure)};
    std::vector<double> queuedToRun;
    std::vector<double> returnToRun;
    std::vector<double> asyncTotal;
    std::vector<double> directTotal;
    for (int i = 0; i < latencyCalls; ++i) {
        host->reset();
        const std::size_t before = success->callCount();
        const Clock::time_point entered = Clock::now();
        const FB::variant started = api->Invoke("kvwGetDeviceID", callbacks);
        const Clock::time_point returned = Clock::now();
        if (started.convert_to<int>() != 0 ||
            !host->runUntil([&] { return success->callCount() > before; }) ||
            failure->callCount() != 0 || !host->firstPost())
            throw std::runtime_error("kvwGetDeviceID with callbacks did not succeed");
        const Clock::time_point ran = success->lastRun();
        queuedToRun.push_back(microseconds(ran - *host->firstPost()));
        returnToRun.push_back(microseconds(ran - returned));
        asyncTotal.push_back(microseconds(ran - entered));

        const Clock::time_point start = Clock::now();
        api->Invoke("kvwGetDeviceID", {});
        directTotal.push_back(microseconds(Clock::now() - start));
    }
    std::printf("\nCallback latency, kvwGetDeviceID, %d calls, microseconds\n", latencyCalls);
    std::printf("  %-44s %10s %10s\n", "", "median", "95th pct");
    printLatency("worker queued the callback -> callback ran", queuedToRun);
    printLatency("call returned -> callback ran", returnToRun);
    printLatency("call entered -> callback ran", asyncTotal);
    printLatency("direct call, entered -> returned", directTotal);
}

} // namespace

int main() {
    try {
        const auto host = std::make_shared<TimedHost>();
        BenchPlugin plugin;
        plugin.createPlugin(host);
        if (!plugin.api)
            return 1;
        text(plugin.api->Invoke("kvwGenKeyPair", {container}), "kvwGenKeyPair");

        callOverhead(plugin.api);
        directCallCost(plugin.api);
        callbackLatency(plugin.api, host);
        secretStackReach(plugin.api);

        plugin.destroyPlugin();
        host->Shutdown();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "api_bench: %s\n", e.what());
        return 1;
    }
    return ::testing::Test::HasFailure() ? 1 : 0;
}
