#pragma once

#include "JsonValue.h"
#include "MessageFraming.h"

#include <memory>
#include <mutex>

namespace FB::NativeMessaging {

// Sends messages to the browser from any thread, one whole frame at a time.
class MessageWriter {
public:
    explicit MessageWriter(std::shared_ptr<ByteSink> sink);

    // False when the message is over the browser's limit (nothing is sent) or the browser has
    // gone (nothing is sent from then on). Text that is not valid UTF-8 is sent with U+FFFD in
    // place of the bad bytes.
    bool send(const Json& message);

private:
    const std::shared_ptr<ByteSink> m_sink;
    std::mutex m_mutex;
    bool m_broken = false;
};

} // namespace FB::NativeMessaging
