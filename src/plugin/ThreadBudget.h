#pragma once

#include <cstddef>
#include <limits>
#include <mutex>
#include <stdexcept>

// A task refused because the process already runs as many as its thread budget allows.
class TooManyThreads : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How many worker threads may run tasks at once, and how many finished ones may wait for the
// next, counted over every pool that draws on the budget. Busy and idle workers are counted
// apart, so that workers left idle by some elements never refuse another element its task.
class ThreadBudget {
public:
    static constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max();

    explicit ThreadBudget(std::size_t busy = kUnbounded, std::size_t idle = kUnbounded);
    ThreadBudget(const ThreadBudget&) = delete;
    ThreadBudget& operator=(const ThreadBudget&) = delete;

    // The process's budget, drawn on by every plug-in object's pool; unbounded until the
    // program bounds it.
    static ThreadBudget& process();
    void setLimits(std::size_t busy, std::size_t idle);

    // A task given to a worker, until endTask; false when as many already run.
    bool startTask();
    void endTask();
    // A worker waiting for a task, until endIdle; false when as many already wait.
    bool startIdle();
    void endIdle();

private:
    // One more of count unless it is at limit; read and changed under the mutex.
    bool take(std::size_t& count, const std::size_t& limit);
    void giveBack(std::size_t& count);

    std::mutex m_mutex;
    std::size_t m_busyLimit;
    std::size_t m_idleLimit;
    std::size_t m_busy = 0;
    std::size_t m_idle = 0;
};
