#include "SystemBuf.h"

#include "SecureWipe.h"

namespace process::detail {

systembuf::systembuf(const file_handle& handle) : m_handle(handle) {
    setg(m_read.data(), m_read.data(), m_read.data());
    setp(m_write.data(), m_write.data() + m_write.size());
}

systembuf::~systembuf() {
    secureWipe(m_read.data(), m_read.size());
    secureWipe(m_write.data(), m_write.size());
}

systembuf::int_type systembuf::underflow() {
    const std::size_t n = readSome(m_handle.get(), m_read.data(), m_read.size());
    if (n == 0)
        return traits_type::eof();
    setg(m_read.data(), m_read.data(), m_read.data() + n);
    return traits_type::to_int_type(m_read[0]);
}

systembuf::int_type systembuf::overflow(int_type c) {
    if (sync() != 0)
        return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int systembuf::sync() {
    const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
    if (pending == 0)
        return 0;
    // On failure the bytes stay in the buffer and the stream goes bad.
    if (!writeAll(m_handle.get(), pbase(), pending))
        return -1;
    setp(m_write.data(), m_write.data() + m_write.size());
    return 0;
}

} // namespace process::detail
