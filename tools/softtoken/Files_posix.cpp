#include "Files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace softtoken {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void writeAll(int fd, const char* data, std::size_t size, const std::string& what) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(what);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

} // namespace

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec)
            return std::nullopt;
        throw std::system_error(ec ? ec : std::make_error_code(std::errc::io_error),
                                "cannot read " + path.u8string());
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw std::system_error(std::make_error_code(std::errc::io_error),
                                "cannot read " + path.u8string());
    return content.str();
}

std::optional<std::string> environmentVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value)
        return std::nullopt;
    return std::string(value);
}

void setEnvironmentVariable(const std::string& name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

void replaceFile(const std::filesystem::path& path, const std::string& data,
                 bool interruptHalfway) {
    const std::filesystem::path temporary = path.string() + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("cannot create " + temporary.string());
    try {
        if (interruptHalfway) {
            writeAll(fd, data.data(), data.size() / 2, temporary.string());
            throw std::system_error(std::make_error_code(std::errc::interrupted),
                                    "write interrupted");
        }
        writeAll(fd, data.data(), data.size(), temporary.string());
        if (::fsync(fd) != 0)
            fail("cannot flush " + temporary.string());
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        fail("cannot write " + temporary.string());
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        fail("cannot replace " + path.string());
    // The rename itself reaches the disk with the directory.
    const int dir = ::open(path.parent_path().empty() ? "." : path.parent_path().c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

FileLock::FileLock(const std::filesystem::path& path, bool exclusive) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("cannot open " + path.string());
    while (::flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
        if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            errno = error;
            fail("cannot lock " + path.string());
        }
    }
    handle_ = fd;
}

FileLock::~FileLock() {
    ::flock(static_cast<int>(handle_), LOCK_UN);
    ::close(static_cast<int>(handle_));
}

} // namespace softtoken
