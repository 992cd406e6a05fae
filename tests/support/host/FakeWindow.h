#pragma once

#include "RecordingFunction.h"
#include "TestPageObject.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The window of the test page. Scripts that the host evaluates define functions on it
// ("window.NAME = function"); calling a function that was never defined fails as in a browser.
// A defined function called with a delay, a function, an argument list and optionally a
// method name (the form of the plug-in's timer function) sets a timer, which runTimers fires.
class FakeWindow : public TestPageObject {
public:
    struct Timer {
        int id;
        int delay;
        FB::JSObjectPtr func;
        FB::VariantList args;
        std::string method; // empty: func itself is called
    };

    explicit FakeWindow(const FB::BrowserHostPtr& host);

    void define(const std::string& name);
    bool defines(const std::string& name) const;

    // Timers set so far and not fired yet, in the order set.
    std::vector<Timer> timers() const;
    // Main thread only: fires every pending timer, whatever its delay, as the timer script
    // does; a failure inside is the page's own and dropped. The number fired.
    std::size_t runTimers();

    // Gives the window a "console" whose "log" calls are recorded.
    std::shared_ptr<RecordingFunction> addConsole();

protected:
    FB::variant call(const std::string& name, const FB::VariantList& args) override;
    bool hasMethod(const std::string& name) const override { return defines(name); }

private:
    mutable std::mutex m_mutex;
    std::set<std::string> m_functions;
    std::vector<Timer> m_timers;
    int m_lastTimer = 0;
};
