// The scripting object on the real kvpkcs11 module: what a scripting call costs over the same
// work in bare PKCS#11 calls, and how long a success callback takes to reach the page.
#include "ApiFixture.h"
#include "CallbackTiming.h"
#include "Figures.h"
#include "Pkcs11.h"
#include "ProcessPkcs11.h"
#include "RawPkcs11.h"

#include <cstdio>
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
        callbackLatency(plugin.api, host);

        plugin.destroyPlugin();
        host->Shutdown();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "api_bench: %s\n", e.what());
        return 1;
    }
    return ::testing::Test::HasFailure() ? 1 : 0;
}
