#include "MessageWriter.h"

namespace FB::NativeMessaging {

MessageWriter::MessageWriter(std::shared_ptr<ByteSink> sink) : m_sink(std::move(sink)) {}

bool MessageWriter::send(const Json& message) {
    const std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
    if (body.size() > maxMessageToBrowser)
        return false;
    const std::string frame = frameMessage(body);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_broken)
        return false;
    m_broken = !m_sink->write(frame.data(), frame.size());
    return !m_broken;
}

} // namespace FB::NativeMessaging
