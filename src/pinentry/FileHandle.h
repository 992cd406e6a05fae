#pragma once

#include <cstddef>
#include <cstdint>

namespace process {

// Owns one system handle: a Windows HANDLE or a POSIX file descriptor. Both fit in an
// intptr_t, and both systems spell "no handle" as -1 (INVALID_HANDLE_VALUE, a closed fd).
class file_handle {
public:
    using handle_type = std::intptr_t;
    static constexpr handle_type invalid_value = -1;

    file_handle() noexcept = default;
    explicit file_handle(handle_type handle) noexcept : m_handle(handle) {}
    file_handle(file_handle&& other) noexcept : m_handle(other.release()) {}
    file_handle& operator=(file_handle&& other) noexcept;
    file_handle(const file_handle&) = delete;
    file_handle& operator=(const file_handle&) = delete;
    ~file_handle() { close(); }

    bool valid() const noexcept { return m_handle != invalid_value; }
    handle_type get() const noexcept { return m_handle; }
    // Hands the handle over to the caller and leaves this one empty.
    handle_type release() noexcept;
    void close() noexcept;

private:
    handle_type m_handle = invalid_value;
};

namespace detail {

// One read of at most size bytes. 0 means the end of the data: a failed read counts as one,
// which is how a pipe whose writer has gone reads.
std::size_t readSome(file_handle::handle_type handle, char* data, std::size_t size) noexcept;
// Writes all size bytes; false when the write fails or falls short.
bool writeAll(file_handle::handle_type handle, const char* data, std::size_t size) noexcept;

} // namespace detail
} // namespace process
