#pragma once

#include <functional>
#include <thread>
#include <utility>

// A test's thread that is joined however the test leaves the scope. A plain std::thread still
// joinable when a failed ASSERT returns or an exception unwinds ends the whole program, hiding
// which step failed. A thread that waits for a step the test never reached is first released by
// the given function (which runs only then, never after an explicit join).
class JoiningThread {
public:
    template <class Body>
    explicit JoiningThread(Body&& body, std::function<void()> release = {})
        : release_(std::move(release)), thread_(std::forward<Body>(body)) {}
    JoiningThread(JoiningThread&&) = default;
    JoiningThread& operator=(JoiningThread&&) = delete;
    ~JoiningThread() {
        if (!thread_.joinable())
            return;
        if (release_)
            release_();
        thread_.join();
    }

    void join() { thread_.join(); }

private:
    std::function<void()> release_;
    std::thread thread_;
};
