#include "FileHandle.h"

#include <utility>

namespace process {

file_handle& file_handle::operator=(file_handle&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = other.release();
    }
    return *this;
}

file_handle::handle_type file_handle::release() noexcept {
    return std::exchange(m_handle, invalid_value);
}

} // namespace process
