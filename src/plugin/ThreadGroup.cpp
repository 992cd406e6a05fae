#include "ThreadGroup.h"

#include <stdexcept>
#include <utility>

ThreadGroup::~ThreadGroup() {
    joinAll();
}

void ThreadGroup::createThread(std::function<void()> f) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_joined)
        throw std::runtime_error("the plug-in object is shut down");
    joinFinished();
    auto done = std::make_shared<std::atomic<bool>>(false);
    // The thread touches only its own flag: the group may be gone before the thread ends.
    std::thread thread([f = std::move(f), done] {
        try {
            f();
        } catch (...) {
        }
        done->store(true);
    });
    m_workers.push_back(Worker{std::move(thread), std::move(done)});
}

void ThreadGroup::joinAll() {
    std::list<Worker> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_joined = true;
        workers.swap(m_workers);
    }
    for (Worker& w : workers) {
        if (w.thread.get_id() == std::this_thread::get_id())
            w.thread.detach();
        else
            w.thread.join();
    }
}

std::size_t ThreadGroup::size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_workers.size();
}

void ThreadGroup::joinFinished() {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->done->load() && it->thread.get_id() != std::this_thread::get_id()) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}
