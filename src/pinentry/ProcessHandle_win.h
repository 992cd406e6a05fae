#pragma once

#include "Child.h"
#include "Win32Handles.h"

namespace process::detail {

// The child's process handle, closed when the last holder lets go.
class process_handle {
public:
    explicit process_handle(HANDLE process) noexcept : handle(fromNative(process)) {}

    file_handle handle;
};

} // namespace process::detail
