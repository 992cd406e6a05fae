#include "StdStreams.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace FB::NativeMessaging {

namespace {

class FdSource : public ByteSource {
public:
    explicit FdSource(int fd) : m_fd(fd) {}
    std::size_t read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer, size);
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR)
                return 0;
        }
    }

private:
    const int m_fd;
};

class FdSink : public ByteSink {
public:
    explicit FdSink(int fd) : m_fd(fd) {}
    bool write(const char* data, std::size_t size) override {
        while (size > 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

private:
    const int m_fd;
};

} // namespace

StdStreams takeStdStreams() {
    // A browser that has gone shows as a failed write, not as a signal that ends us.
    std::signal(SIGPIPE, SIG_IGN);
    int output = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (output < 0)
        output = STDOUT_FILENO;
    else
        dup2(STDERR_FILENO, STDOUT_FILENO);
    return {std::make_shared<FdSource>(STDIN_FILENO), std::make_shared<FdSink>(output)};
}

} // namespace FB::NativeMessaging
