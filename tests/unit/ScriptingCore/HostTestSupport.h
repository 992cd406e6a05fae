#pragma once

#include "FakeWindow.h"
#include "RecordingFunction.h"
#include "TestBrowserHost.h"
#include "script_error.h"

#include <functional>
#include <future>
#include <string>
#include <utility>
#include <vector>

// The text of the exception that call throws, or "(no exception)".
inline std::string failureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

// The values as text, for comparing argument lists.
inline std::vector<std::string> texts(const FB::VariantList& values) {
    std::vector<std::string> out;
    for (const FB::variant& value : values)
        out.push_back(value.convert_to<std::string>());
    return out;
}

// Runs work on a new thread while the test, the host's main thread, serves the host's queue
// until the work is done; the work's result.
template <class Work> auto onWorker(TestBrowserHost& host, Work work) {
    auto result = std::async(std::launch::async, std::move(work));
    const bool done = host.runUntil(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    if (!done)
        throw std::runtime_error("the worker did not finish");
    return result.get();
}
