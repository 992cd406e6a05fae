#include "Files.h"

#include "SecureWipe.h"

#include <chrono>
#include <system_error>
#include <vector>
#include <windows.h>

namespace softtoken {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

std::wstring wide(const std::string& s) {
    return std::filesystem::u8path(s).wstring();
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool close() {
        const bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

void writeAll(HANDLE file, const char* data, std::size_t size, const std::string& what) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        if (!WriteFile(file, data, chunk, &written, nullptr))
            fail(what);
        data += written;
        size -= written;
    }
}

// Windows refuses to rename over a file that is open, and every call of the module reads its
// configuration, so a writer meets a reader now and then. Readers hold a file for a moment only.
constexpr auto replacePatience = std::chrono::seconds(3);
constexpr DWORD replaceRetryMilliseconds = 5;

bool heldByReader(const std::filesystem::path& path, DWORD error) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return true;
    // Access is also denied for good to a read-only file; that one is not worth waiting for.
    if (error != ERROR_ACCESS_DENIED)
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY);
}

} // namespace

std::optional<std::string> readFile(const std::filesystem::path& path) {
    // Full sharing, delete included, so that a writer in this or another process may rename a
    // new version over the file while it is being read.
    Handle file(CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return std::nullopt;
        fail("cannot read " + path.u8string());
    }
    // Token files hold keys: the content is read in place, never through a buffer that would
    // leave a copy behind.
    constexpr DWORD chunk = 0x10000;
    std::string content;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart >= 0 &&
        static_cast<unsigned long long>(size.QuadPart) < content.max_size() - chunk)
        content.reserve(static_cast<std::size_t>(size.QuadPart) + chunk);
    for (;;) {
        const std::size_t used = content.size();
        content.resize(used + chunk);
        DWORD got = 0;
        if (!ReadFile(file.get(), &content[used], chunk, &got, nullptr)) {
            const DWORD error = GetLastError();
            secureWipe(content);
            SetLastError(error);
            fail("cannot read " + path.u8string());
        }
        content.resize(used + got);
        if (got == 0)
            return content;
    }
}

std::optional<std::string> environmentVariable(const std::string& name) {
    const std::wstring wname = wide(name);
    const DWORD size = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::vector<wchar_t> value(size);
    const DWORD length = GetEnvironmentVariableW(wname.c_str(), value.data(), size);
    if (length == 0 || length >= size)
        return std::nullopt;
    return std::filesystem::path(std::wstring(value.data(), length)).u8string();
}

void setEnvironmentVariable(const std::string& name, const std::optional<std::string>& value) {
    SetEnvironmentVariableW(wide(name).c_str(), value ? wide(*value).c_str() : nullptr);
}

void replaceFile(const std::filesystem::path& path, const std::string& data,
                 bool interruptHalfway) {
    const std::filesystem::path temporary = path.wstring() + L".tmp";
    Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        fail("cannot create " + temporary.u8string());
    if (interruptHalfway) {
        writeAll(file.get(), data.data(), data.size() / 2, temporary.u8string());
        throw std::system_error(std::make_error_code(std::errc::interrupted), "write interrupted");
    }
    writeAll(file.get(), data.data(), data.size(), temporary.u8string());
    if (!FlushFileBuffers(file.get()))
        fail("cannot flush " + temporary.u8string());
    if (!file.close())
        fail("cannot write " + temporary.u8string());
    const auto deadline = std::chrono::steady_clock::now() + replacePatience;
    while (!MoveFileExW(temporary.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (!heldByReader(path, error) || std::chrono::steady_clock::now() >= deadline) {
            DeleteFileW(temporary.c_str());
            SetLastError(error);
            fail("cannot replace " + path.u8string());
        }
        Sleep(replaceRetryMilliseconds);
    }
}

FileLock::FileLock(const std::filesystem::path& path, bool exclusive) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail("cannot open " + path.u8string());
    OVERLAPPED whole{};
    if (!LockFileEx(file, exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, MAXDWORD, MAXDWORD, &whole)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error);
        fail("cannot lock " + path.u8string());
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
}

FileLock::~FileLock() {
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED whole{};
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
}

} // namespace softtoken
