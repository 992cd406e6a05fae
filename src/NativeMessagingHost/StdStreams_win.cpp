#include "StdStreams.h"

#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace FB::NativeMessaging {

namespace {

class CrtSource : public ByteSource {
public:
    explicit CrtSource(int fd) : m_fd(fd) {}
    std::size_t read(char* buffer, std::size_t size) override {
        const int got = _read(m_fd, buffer, static_cast<unsigned>(size < INT_MAX ? size : INT_MAX));
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

private:
    const int m_fd;
};

class CrtSink : public ByteSink {
public:
    explicit CrtSink(int fd) : m_fd(fd) {}
    bool write(const char* data, std::size_t size) override {
        while (size > 0) {
            const int written =
                _write(m_fd, data, static_cast<unsigned>(size < INT_MAX ? size : INT_MAX));
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

void notInherited(int fd) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle != INVALID_HANDLE_VALUE)
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
}

} // namespace

StdStreams takeStdStreams() {
    const int input = _fileno(stdin);
    _setmode(input, _O_BINARY);
    notInherited(input);
    int output = _dup(_fileno(stdout));
    if (output < 0) {
        output = _fileno(stdout);
    } else {
        std::fflush(stdout);
        _dup2(_fileno(stderr), _fileno(stdout));
        SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    }
    _setmode(output, _O_BINARY);
    notInherited(output);
    return {std::make_shared<CrtSource>(input), std::make_shared<CrtSink>(output)};
}

} // namespace FB::NativeMessaging
