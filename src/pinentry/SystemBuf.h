#pragma once

#include "FileHandle.h"

#include <array>
#include <streambuf>

namespace process::detail {

// A stream buffer over one handle, which it reads and writes but does not own. The buffers
// may hold a PIN, so they are wiped when the buffer goes.
class systembuf : public std::streambuf {
public:
    static constexpr std::size_t buffer_size = 8192;

    explicit systembuf(const file_handle& handle);
    ~systembuf() override;
    systembuf(const systembuf&) = delete;
    systembuf& operator=(const systembuf&) = delete;

protected:
    int_type underflow() override;
    int_type overflow(int_type c) override;
    int sync() override;

private:
    const file_handle& m_handle;
    std::array<char, buffer_size> m_read;
    std::array<char, buffer_size> m_write;
};

} // namespace process::detail
