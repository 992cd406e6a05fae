#include "Pipe.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace process::detail {

pipe::pipe() {
    int ends[2];
    // Close-on-exec from the start: another thread may spawn a program at any moment.
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::system_category(),
                                "process::detail::pipe::pipe: pipe2 failed");
    read_end = file_handle(ends[0]);
    write_end = file_handle(ends[1]);
}

} // namespace process::detail
