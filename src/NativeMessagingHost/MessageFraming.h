#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace FB::NativeMessaging {

// Native messaging frames every message as a 32-bit length in native byte order followed by
// that many bytes of UTF-8 JSON. The browser refuses messages over 1 MB from the host; we refuse
// messages over 64 MB to it (the protocol allows 4 GB, more than a 32-bit process can hold).
constexpr std::uint32_t maxMessageToBrowser = 1024 * 1024;
constexpr std::uint32_t maxMessageToHost = 64 * 1024 * 1024;

// Where frames are read from: read() blocks until it has at least one byte, and answers 0 at
// the end of input.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
};

// Where frames are written to; false once the reader has gone.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool write(const char* data, std::size_t size) = 0;
};

struct Frame {
    enum Kind {
        Message,    // body holds the message
        TooLarge,   // the message was longer than the limit; length says how long, its bytes
                    // were skipped
        EndOfInput, // input ended, possibly in the middle of a frame
    };
    Kind kind;
    std::string body;
    std::uint32_t length = 0;
};

// The next frame; a message over limit is skipped so that the next one can be read.
Frame readFrame(ByteSource& in, std::uint32_t limit = maxMessageToHost);

// The frame of body; body must not be longer than maxMessageToBrowser.
std::string frameMessage(const std::string& body);

} // namespace FB::NativeMessaging
