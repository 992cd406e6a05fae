#include "Pipe.h"
#include "Win32Handles.h"

#include <system_error>

namespace process::detail {

pipe::pipe() {
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    HANDLE readEnd = INVALID_HANDLE_VALUE;
    HANDLE writeEnd = INVALID_HANDLE_VALUE;
    if (!CreatePipe(&readEnd, &writeEnd, &attributes, 0))
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "process::detail::pipe::pipe: CreatePipe failed");
    read_end = file_handle(fromNative(readEnd));
    write_end = file_handle(fromNative(writeEnd));
}

} // namespace process::detail
