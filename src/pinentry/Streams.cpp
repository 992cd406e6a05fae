#include "Streams.h"

#include <utility>

namespace process {

postream::postream(file_handle handle)
    : std::ostream(nullptr), m_handle(std::move(handle)), m_buffer(m_handle) {
    rdbuf(&m_buffer);
}

void postream::close() {
    struct CloseAfterwards {
        file_handle& handle;
        ~CloseAfterwards() { handle.close(); }
    } closeAfterwards{m_handle};
    flush();
}

pistream::pistream(file_handle handle)
    : std::istream(nullptr), m_handle(std::move(handle)), m_buffer(m_handle) {
    rdbuf(&m_buffer);
}

} // namespace process
