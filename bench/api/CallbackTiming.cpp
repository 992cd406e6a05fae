#include "CallbackTiming.h"

bool TimedHost::PostToMainThread(void (*func)(void*), void* data) {
    {
        std::lock_guard<std::mutex> lock(m_timeMutex);
        if (!m_firstPost)
            m_firstPost = Clock::now();
    }
    return TestBrowserHost::PostToMainThread(func, data);
}

void TimedHost::reset() {
    std::lock_guard<std::mutex> lock(m_timeMutex);
    m_firstPost.reset();
}

std::optional<Clock::time_point> TimedHost::firstPost() const {
    std::lock_guard<std::mutex> lock(m_timeMutex);
    return m_firstPost;
}

Clock::time_point TimedFunction::lastRun() const {
    std::lock_guard<std::mutex> lock(m_timeMutex);
    return m_lastRun;
}

FB::variant TimedFunction::call(const std::string& name, const FB::VariantList& args) {
    {
        std::lock_guard<std::mutex> lock(m_timeMutex);
        m_lastRun = Clock::now();
    }
    return RecordingFunction::call(name, args);
}
