#include "FileHandle.h"
#include "Win32Handles.h"

#include <system_error>

namespace process {

void file_handle::close() noexcept {
    if (valid())
        CloseHandle(detail::native(release()));
}

namespace detail {

namespace {

[[noreturn]] void throwLastError(const char* message) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), message);
}

} // namespace

file_handle win32_dup(HANDLE handle) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        throwLastError("process::detail::file_handle::win32_dup: DuplicateHandle failed");
    return file_handle(fromNative(copy));
}

file_handle win32_std(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == INVALID_HANDLE_VALUE)
        throwLastError("process::detail::file_handle::win32_std: GetStdHandle failed");
    return win32_dup(handle);
}

void win32_set_inheritable(const file_handle& handle) {
    if (!SetHandleInformation(native(handle), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT))
        throwLastError(
            "process::detail::file_handle::win32_set_inheritable: SetHandleInformation failed");
}

std::size_t readSome(file_handle::handle_type handle, char* data, std::size_t size) noexcept {
    DWORD read = 0;
    if (handle == file_handle::invalid_value ||
        !ReadFile(native(handle), data, static_cast<DWORD>(size), &read, nullptr))
        return 0;
    return read;
}

bool writeAll(file_handle::handle_type handle, const char* data, std::size_t size) noexcept {
    DWORD written = 0;
    return handle != file_handle::invalid_value &&
           WriteFile(native(handle), data, static_cast<DWORD>(size), &written, nullptr) &&
           written == size;
}

} // namespace detail
} // namespace process
