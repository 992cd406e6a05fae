#include "ThreadBudget.h"

ThreadBudget::ThreadBudget(std::size_t busy, std::size_t idle)
    : m_busyLimit(busy), m_idleLimit(idle) {}

ThreadBudget& ThreadBudget::process() {
    static ThreadBudget budget;
    return budget;
}

void ThreadBudget::setLimits(std::size_t busy, std::size_t idle) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_busyLimit = busy;
    m_idleLimit = idle;
}

bool ThreadBudget::take(std::size_t& count, const std::size_t& limit) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (count >= limit)
        return false;
    ++count;
    return true;
}

void ThreadBudget::giveBack(std::size_t& count) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    --count;
}

bool ThreadBudget::startTask() {
    return take(m_busy, m_busyLimit);
}

void ThreadBudget::endTask() {
    giveBack(m_busy);
}

bool ThreadBudget::startIdle() {
    return take(m_idle, m_idleLimit);
}

void ThreadBudget::endIdle() {
    giveBack(m_idle);
}
