#include "MessageFraming.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace FB::NativeMessaging {

namespace {

// False when input ends before size bytes arrived.
bool readExactly(ByteSource& in, char* buffer, std::size_t size) {
    while (size > 0) {
        const std::size_t got = in.read(buffer, size);
        if (got == 0)
            return false;
        buffer += got;
        size -= got;
    }
    return true;
}

bool skip(ByteSource& in, std::uint32_t size) {
    char buffer[64 * 1024];
    while (size > 0) {
        const std::size_t chunk = std::min<std::size_t>(size, sizeof buffer);
        if (!readExactly(in, buffer, chunk))
            return false;
        size -= static_cast<std::uint32_t>(chunk);
    }
    return true;
}

} // namespace

Frame readFrame(ByteSource& in, std::uint32_t limit) {
    char header[4];
    if (!readExactly(in, header, sizeof header))
        return {Frame::EndOfInput, {}, 0};
    std::uint32_t length = 0;
    std::memcpy(&length, header, sizeof length);
    if (length > limit)
        return {skip(in, length) ? Frame::TooLarge : Frame::EndOfInput, {}, length};
    std::string body(length, '\0');
    if (!readExactly(in, body.data(), length))
        return {Frame::EndOfInput, {}, length};
    return {Frame::Message, std::move(body), length};
}

std::string frameMessage(const std::string& body) {
    if (body.size() > maxMessageToBrowser)
        throw std::length_error("message too large for the browser");
    const auto length = static_cast<std::uint32_t>(body.size());
    std::string frame(sizeof length, '\0');
    std::memcpy(frame.data(), &length, sizeof length);
    return frame + body;
}

} // namespace FB::NativeMessaging
