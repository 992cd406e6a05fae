#pragma once

#include "MessageFraming.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// The browser's side of the host's streams, in memory: the test writes frames into a pipe that
// the host reads, and reads back the frames that the host wrote.

// Bytes the test adds at any time; reads block until there are some or the pipe is closed.
class MemoryPipe : public FB::NativeMessaging::ByteSource {
public:
    void add(const std::string& bytes);
    void close();
    std::size_t read(char* buffer, std::size_t size) override;

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::string m_bytes;
    std::size_t m_read = 0;
    bool m_closed = false;
};

// Collects what the host writes, frame by frame.
class MemorySink : public FB::NativeMessaging::ByteSink {
public:
    bool write(const char* data, std::size_t size) override;
    // The bodies of the whole frames written so far.
    std::vector<std::string> messages();
    // Waits until at least count whole frames were written; false after the timeout.
    bool waitFor(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // From now on every write fails, as when the browser has gone.
    void breakOff();

private:
    std::vector<std::string> messagesLocked() const;

    std::mutex m_mutex;
    std::condition_variable m_written;
    std::string m_bytes;
    bool m_broken = false;
};

// A frame of a body, the length in native byte order.
std::string frame(const std::string& body);
// A frame header claiming length bytes.
std::string header(std::uint32_t length);
