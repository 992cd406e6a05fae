#include "MemoryStreams.h"

#include <algorithm>
#include <cstring>

void MemoryPipe::add(const std::string& bytes) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bytes += bytes;
    }
    m_ready.notify_all();
}

void MemoryPipe::close() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_ready.notify_all();
}

std::size_t MemoryPipe::read(char* buffer, std::size_t size) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_ready.wait(lock, [this] { return m_closed || m_read < m_bytes.size(); });
    const std::size_t count = std::min(size, m_bytes.size() - m_read);
    std::memcpy(buffer, m_bytes.data() + m_read, count);
    m_read += count;
    // Read bytes are dropped only once all are read: erasing a few from the front of a long
    // message every time would take quadratic time.
    if (m_read == m_bytes.size()) {
        m_bytes.clear();
        m_read = 0;
    }
    return count;
}

bool MemorySink::write(const char* data, std::size_t size) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_broken)
            return false;
        m_bytes.append(data, size);
    }
    m_written.notify_all();
    return true;
}

std::vector<std::string> MemorySink::messagesLocked() const {
    std::vector<std::string> bodies;
    std::size_t at = 0;
    while (m_bytes.size() - at >= 4) {
        std::uint32_t length = 0;
        std::memcpy(&length, m_bytes.data() + at, 4);
        if (m_bytes.size() - at - 4 < length)
            break;
        bodies.push_back(m_bytes.substr(at + 4, length));
        at += 4 + length;
    }
    return bodies;
}

std::vector<std::string> MemorySink::messages() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return messagesLocked();
}

bool MemorySink::waitFor(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_written.wait_for(lock, timeout, [&] { return messagesLocked().size() >= count; });
}

void MemorySink::breakOff() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_broken = true;
}

std::string header(std::uint32_t length) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &length, 4);
    return bytes;
}

std::string frame(const std::string& body) {
    return header(static_cast<std::uint32_t>(body.size())) + body;
}
