#include "Child.h"
#include "ProcessHandle_posix.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <system_error>
#include <thread>

namespace process {

namespace detail {

namespace {

pid_t waitFor(pid_t pid, int* status, int options) noexcept {
    pid_t result;
    do
        result = ::waitpid(pid, status, options);
    while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

process_handle::~process_handle() {
    if (m_reaped || waitFor(m_pid, nullptr, WNOHANG) != 0)
        return;
    // Still running: one small thread waits for it. Should no thread be available, the
    // zombie stays until the host process ends, which is still better than failing here.
    try {
        std::thread([pid = m_pid] { waitFor(pid, nullptr, 0); }).detach();
    } catch (const std::system_error&) {
    }
}

int process_handle::wait() {
    if (!m_reaped) {
        int status = 0;
        if (waitFor(m_pid, &status, 0) < 0)
            throw std::system_error(errno, std::system_category(),
                                    "process::child::wait: waitpid failed");
        m_reaped = true;
        // A program ended by a signal answers as a shell reports it.
        m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return m_exitCode;
}

// Once reaped, the id may name another process by now.
void process_handle::terminate() noexcept {
    if (!m_reaped)
        ::kill(m_pid, SIGKILL);
}

} // namespace detail

int child::wait() {
    return m_process->wait();
}

void child::terminate() noexcept {
    m_process->terminate();
}

} // namespace process
