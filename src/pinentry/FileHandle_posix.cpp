#include "FileHandle.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <unistd.h>

namespace process {

void file_handle::close() noexcept {
    if (valid())
        ::close(static_cast<int>(release()));
}

namespace detail {

namespace {

// A write to a pipe whose reader has gone raises SIGPIPE, which would end the whole browser.
// Block it on this thread for the write and swallow the one our write caused.
class SigpipeBlock {
public:
    SigpipeBlock() noexcept {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old);
    }
    ~SigpipeBlock() {
        if (m_raised && !m_wasPending) {
            const timespec zero{0, 0};
            while (sigtimedwait(&m_pipe, nullptr, &zero) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    void raised() noexcept { m_raised = true; }

private:
    sigset_t m_pipe;
    sigset_t m_old;
    bool m_wasPending = false;
    bool m_raised = false;
};

} // namespace

std::size_t readSome(file_handle::handle_type handle, char* data, std::size_t size) noexcept {
    if (handle == file_handle::invalid_value)
        return 0;
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle), data, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return 0;
    }
}

bool writeAll(file_handle::handle_type handle, const char* data, std::size_t size) noexcept {
    if (handle == file_handle::invalid_value)
        return false;
    const int savedErrno = errno;
    SigpipeBlock block;
    while (size > 0) {
        const ssize_t n = ::write(static_cast<int>(handle), data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EPIPE)
                block.raised();
            errno = savedErrno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace detail
} // namespace process
