#pragma once

#include "Figures.h"
#include "RecordingFunction.h"
#include "TestBrowserHost.h"

#include <mutex>
#include <optional>

// The test host, noting when the first call since reset() was posted to the main thread.
class TimedHost : public TestBrowserHost {
public:
    bool PostToMainThread(void (*func)(void*), void* data) override;
    void reset();
    std::optional<Clock::time_point> firstPost() const;

private:
    mutable std::mutex m_timeMutex;
    std::optional<Clock::time_point> m_firstPost;
};

// A recording page function that notes when it last ran.
class TimedFunction : public RecordingFunction {
public:
    using RecordingFunction::RecordingFunction;
    Clock::time_point lastRun() const;

protected:
    FB::variant call(const std::string& name, const FB::VariantList& args) override;

private:
    mutable std::mutex m_timeMutex;
    Clock::time_point m_lastRun;
};
