#pragma once

#include "FileHandle.h"
#include "SystemBuf.h"

#include <istream>
#include <ostream>

namespace process {

// The parent's end of a child's standard input.
class postream : public std::ostream {
public:
    explicit postream(file_handle handle);
    // Flushes and closes the handle: the child then sees the end of its input.
    void close();

private:
    file_handle m_handle;
    detail::systembuf m_buffer;
};

// The parent's end of a child's standard output or standard error.
class pistream : public std::istream {
public:
    explicit pistream(file_handle handle);
    void close() noexcept { m_handle.close(); }

private:
    file_handle m_handle;
    detail::systembuf m_buffer;
};

} // namespace process
