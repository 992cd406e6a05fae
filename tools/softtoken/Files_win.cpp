#include "Files.h"

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

} // namespace

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
    if (!MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail("cannot replace " + path.u8string());
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
