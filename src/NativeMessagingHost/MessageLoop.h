#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace FB::NativeMessaging {

// The host's main thread: it runs, one after another, the messages that arrive and the calls
// that worker threads queue for the page.
class MessageLoop {
public:
    // Queues task from any thread; false once the loop has been told to quit.
    bool post(std::function<void()> task);
    // Runs queued tasks on the calling thread until quit; tasks still queued then are dropped.
    void run();
    // Ends run after the task under way; from then on post refuses.
    void quit();

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_tasks;
    bool m_quit = false;
};

} // namespace FB::NativeMessaging
