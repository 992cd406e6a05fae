#pragma once

#include "FileHandle.h"

#include <windows.h>

// Handle services that only the Windows launcher needs.
namespace process::detail {

inline HANDLE native(file_handle::handle_type handle) {
    return reinterpret_cast<HANDLE>(handle);
}
inline HANDLE native(const file_handle& handle) {
    return native(handle.get());
}
inline file_handle::handle_type fromNative(HANDLE handle) {
    return reinterpret_cast<file_handle::handle_type>(handle);
}

// An inheritable duplicate, with the same access, of a handle of this process.
file_handle win32_dup(HANDLE handle);
// An inheritable duplicate of one of this process's standard handles (STD_INPUT_HANDLE, ...).
file_handle win32_std(DWORD which);
void win32_set_inheritable(const file_handle& handle);

} // namespace process::detail
