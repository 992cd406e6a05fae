#pragma once

#include "Child.h"

#include <sys/types.h>

namespace process::detail {

// A child process id that must be reaped. If nobody waited for it, the last holder hands it
// to a background reaper, so no zombie is left behind.
class process_handle {
public:
    explicit process_handle(pid_t pid) noexcept : m_pid(pid) {}
    ~process_handle();
    process_handle(const process_handle&) = delete;
    process_handle& operator=(const process_handle&) = delete;

    int wait();
    void terminate() noexcept;

private:
    pid_t m_pid;
    bool m_reaped = false;
    int m_exitCode = 0;
};

} // namespace process::detail
