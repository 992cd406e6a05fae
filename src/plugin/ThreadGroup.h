#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

// The worker threads of one plug-in object. Finished threads are joined when the next one
// starts, so a page that makes many callback calls does not pile up ended threads.
class ThreadGroup {
public:
    ThreadGroup() = default;
    ThreadGroup(const ThreadGroup&) = delete;
    ThreadGroup& operator=(const ThreadGroup&) = delete;
    // Waits for the threads still running, as joinAll does.
    ~ThreadGroup();

    // Starts a thread running f; std::runtime_error once the group was joined, since nobody
    // would wait for a thread started then.
    void createThread(std::function<void()> f);
    // Waits until every thread has ended and refuses new ones. A thread of the group that
    // calls it (the last owner of the plug-in object may be a worker) is detached instead of
    // waiting for itself.
    void joinAll();
    std::size_t size() const;

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void joinFinished();

    mutable std::mutex m_mutex;
    std::list<Worker> m_workers;
    bool m_joined = false;
};
