#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace FB {

// The calls that a host has queued with the browser and that have not run yet. The browser
// gets a trampoline and a ticket number, never a pointer: a trampoline that arrives after the
// call ran, or after the manager is gone, finds no ticket and does nothing, and a trampoline
// the browser never delivers leaves nothing behind.
class AsyncCallManager : public std::enable_shared_from_this<AsyncCallManager> {
public:
    // The browser's way of having trampoline(data) called on the main thread later.
    using Post = std::function<bool(void (*trampoline)(void*), void* data)>;

    AsyncCallManager() = default;
    AsyncCallManager(const AsyncCallManager&) = delete;
    AsyncCallManager& operator=(const AsyncCallManager&) = delete;
    ~AsyncCallManager();

    // Keeps the call and has post queue its trampoline. False, with nothing kept, after
    // Shutdown or when post refuses.
    bool ScheduleCall(std::function<void()> call, const Post& post);

    // Runs every pending call once, here and now; afterwards every call is refused.
    void Shutdown();

private:
    static void Trampoline(void* ticket);
    // Removes the call of the ticket and runs it, unless it is gone.
    void RunCall(std::uintptr_t ticket);
    static void Run(const std::function<void()>& call);

    std::recursive_mutex m_mutex;
    std::map<std::uintptr_t, std::function<void()>> m_pending;
    bool m_shutDown = false;
};

} // namespace FB
