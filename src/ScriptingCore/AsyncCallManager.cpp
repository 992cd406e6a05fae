#include "AsyncCallManager.h"

#include <utility>

namespace FB {

namespace {

// Tickets of the whole process, each naming the manager that issued it.
class Tickets {
public:
    static Tickets& instance() {
        static Tickets tickets;
        return tickets;
    }

    std::uintptr_t issue(const std::weak_ptr<AsyncCallManager>& manager) {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Numbers wrap on 32-bit systems; one still waiting for its trampoline is skipped.
        do
            ++m_last;
        while (m_last == 0 || m_owners.count(m_last));
        m_owners.emplace(m_last, manager);
        return m_last;
    }

    // The manager of the ticket; the ticket is used up.
    std::shared_ptr<AsyncCallManager> redeem(std::uintptr_t ticket) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_owners.find(ticket);
        if (found == m_owners.end())
            return nullptr;
        std::shared_ptr<AsyncCallManager> manager = found->second.lock();
        m_owners.erase(found);
        return manager;
    }

    void cancel(std::uintptr_t ticket) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_owners.erase(ticket);
    }

private:
    std::mutex m_mutex;
    std::uintptr_t m_last = 0;
    std::map<std::uintptr_t, std::weak_ptr<AsyncCallManager>> m_owners;
};

} // namespace

AsyncCallManager::~AsyncCallManager() {
    for (const auto& entry : m_pending)
        Tickets::instance().cancel(entry.first);
}

bool AsyncCallManager::ScheduleCall(std::function<void()> call, const Post& post) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_shutDown)
        return false;
    const std::uintptr_t ticket = Tickets::instance().issue(weak_from_this());
    m_pending.emplace(ticket, std::move(call));
    if (post(&AsyncCallManager::Trampoline, reinterpret_cast<void*>(ticket)))
        return true;
    Tickets::instance().cancel(ticket);
    m_pending.erase(ticket);
    return false;
}

void AsyncCallManager::Shutdown() {
    std::map<std::uintptr_t, std::function<void()>> pending;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_shutDown = true;
        pending.swap(m_pending);
        for (const auto& entry : pending)
            Tickets::instance().cancel(entry.first);
    }
    for (const auto& entry : pending)
        Run(entry.second);
}

void AsyncCallManager::Trampoline(void* ticket) {
    const auto number = reinterpret_cast<std::uintptr_t>(ticket);
    if (const std::shared_ptr<AsyncCallManager> manager = Tickets::instance().redeem(number))
        manager->RunCall(number);
}

void AsyncCallManager::RunCall(std::uintptr_t ticket) {
    std::function<void()> call;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        const auto found = m_pending.find(ticket);
        if (found == m_pending.end())
            return;
        call = std::move(found->second);
        m_pending.erase(found);
    }
    Run(call);
}

void AsyncCallManager::Run(const std::function<void()>& call) {
    // The browser called us from its event loop: nothing may escape into it, and one failing
    // call must not keep the others of a shutdown from running.
    try {
        call();
    } catch (...) {
    }
}

} // namespace FB
