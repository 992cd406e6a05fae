#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Reads typed values out of a fuzzer's bytes; past the end everything reads as zero.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool done() const { return m_at >= m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // The next sizeof(T) bytes as they lie in memory: any bit pattern, NaNs included.
    template <class T> T raw() {
        unsigned char bytes[sizeof(T)] = {};
        for (auto& b : bytes)
            b = byte();
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    // A length byte, then that many bytes (fewer at the end).
    std::string text() {
        std::string out;
        for (std::size_t n = byte(); n > 0 && !done(); --n)
            out += static_cast<char>(byte());
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};
