#pragma once

#include "ThreadBudget.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

// The worker threads of one plug-in object. Every task gets a worker of its own at once, so
// tasks run side by side as if each had a new thread (a call waiting for the token never holds
// up one that does not need it); but a worker that finishes waits for the next task instead of
// ending, so a page's callback calls do not each pay for starting a thread. A few idle workers
// are kept; any more end when their task is done. Workers draw on a thread budget, the
// process's unless another is given, which bounds both.
class WorkerPool {
public:
    // budget outlives the pool's workers.
    explicit WorkerPool(ThreadBudget& budget = ThreadBudget::process());
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    // Waits for the workers still running, as joinAll does.
    ~WorkerPool();

    // Runs f on an idle worker, or on a new one when none is idle; std::runtime_error once
    // the pool was joined, since nobody would wait for the task, and TooManyThreads when the
    // budget lets no more tasks run.
    void run(std::function<void()> f);
    // Waits until every task has run and every worker has ended, and refuses new tasks. A
    // worker that calls it (the last owner of the plug-in object may be a task) is detached
    // instead of waiting for itself.
    void joinAll();
    // Workers alive: busy, idle, or ended and not yet joined.
    std::size_t size() const;
    // Workers waiting for a task.
    std::size_t idle() const;

    // How many finished workers stay waiting for the next task, as far as the budget lets them.
    static constexpr std::size_t kIdleWorkers = 2;

private:
    // What workers share with the pool; a worker keeps it, since the pool may be destroyed by
    // the task the worker runs.
    struct Shared {
        explicit Shared(ThreadBudget& b) : budget(b) {}
        ThreadBudget& budget;
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::function<void()>> tasks;
        std::size_t idle = 0;
        bool joined = false;
    };
    struct Worker {
        std::thread thread;
        std::shared_ptr<bool> done; // under Shared::mutex
    };

    static void work(const std::shared_ptr<Shared>& shared, const std::shared_ptr<bool>& done);
    // Joins the workers that have ended; the caller holds the shared mutex.
    void joinEnded();

    const std::shared_ptr<Shared> m_shared;
    std::list<Worker> m_workers; // under Shared::mutex
};
