#include "WorkerPool.h"

#include <stdexcept>
#include <utility>

WorkerPool::WorkerPool(ThreadBudget& budget) : m_shared(std::make_shared<Shared>(budget)) {}

WorkerPool::~WorkerPool() {
    joinAll();
}

void WorkerPool::run(std::function<void()> f) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->joined)
        throw std::runtime_error("the plug-in object is shut down");
    joinEnded();
    if (!m_shared->budget.startTask())
        throw TooManyThreads("too many calls are running at once");
    m_shared->tasks.push_back(std::move(f));
    // Idle workers that were woken but have not taken a task yet still count as idle, so
    // each waiting task has a worker of its own.
    if (m_shared->idle >= m_shared->tasks.size()) {
        m_shared->wake.notify_one();
        return;
    }
    auto done = std::make_shared<bool>(false);
    try {
        std::thread thread(&WorkerPool::work, m_shared, done);
        m_workers.push_back(Worker{std::move(thread), std::move(done)});
    } catch (...) {
        m_shared->tasks.pop_back();
        m_shared->budget.endTask();
        throw;
    }
}

void WorkerPool::work(const std::shared_ptr<Shared>& shared, const std::shared_ptr<bool>& done) {
    std::unique_lock<std::mutex> lock(shared->mutex);
    for (;;) {
        if (shared->tasks.empty()) {
            if (shared->joined || shared->idle >= kIdleWorkers || !shared->budget.startIdle())
                break;
            ++shared->idle;
            shared->wake.wait(lock, [&] { return !shared->tasks.empty() || shared->joined; });
            --shared->idle;
            shared->budget.endIdle();
            continue;
        }
        std::function<void()> task = std::move(shared->tasks.front());
        shared->tasks.pop_front();
        lock.unlock();
        try {
            task();
        } catch (...) {
        }
        // Its captures go before the worker waits: they may hold the plug-in object's last
        // references, which must not outlive the call.
        task = nullptr;
        shared->budget.endTask();
        lock.lock();
    }
    *done = true;
}

void WorkerPool::joinAll() {
    std::list<Worker> workers;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->joined = true;
        workers.swap(m_workers);
        m_shared->wake.notify_all();
    }
    for (Worker& w : workers) {
        if (w.thread.get_id() == std::this_thread::get_id())
            w.thread.detach();
        else
            w.thread.join();
    }
}

std::size_t WorkerPool::size() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_workers.size();
}

std::size_t WorkerPool::idle() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->idle;
}

void WorkerPool::joinEnded() {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (*it->done && it->thread.get_id() != std::this_thread::get_id()) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}
