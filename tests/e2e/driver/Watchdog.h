#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Ends the process with the time-limit exit code when the main thread is stuck (a script in an
// endless loop, a plug-in blocked on the main thread), since then no timer of the event loop fires.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
    std::thread thread_;
};
