#include "Assuan.h"

#include <algorithm>

#include "HexDigit.h"
#include "LineReader.h"
#include "SecureWipe.h"

#include <stdexcept>

namespace assuan {

namespace {

// Assuan allows lines of 1000 bytes; a longer answer is not the protocol.
constexpr std::size_t maxLine = 1000;

} // namespace

std::string escape(const std::string& text, std::size_t maxLength) {
    static const char digits[] = "0123456789ABCDEF";
    const std::string ellipsis = "...";
    std::string result;
    std::size_t boundary = 0;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u & 0xC0) != 0x80)
            boundary = result.size();
        const bool escaped = u < 0x20 || c == '%' || u == 0x7F;
        if (result.size() + (escaped ? 3 : 1) + ellipsis.size() > maxLength) {
            result.resize(boundary);
            return result + ellipsis;
        }
        if (escaped) {
            result += '%';
            result += digits[u >> 4];
            result += digits[u & 15];
        } else {
            result += c;
        }
    }
    return result;
}

void appendUnescaped(std::string& out, const std::string& data, std::size_t from) {
    for (std::size_t i = from; i < data.size(); ++i) {
        if (data[i] == '%' && i + 2 < data.size() && hexDigitValue(data[i + 1]) >= 0 &&
            hexDigitValue(data[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(data[i + 1]) * 16 + hexDigitValue(data[i + 2]));
            i += 2;
        } else {
            out += data[i];
        }
    }
}

bool isCancel(std::uint32_t error) {
    const std::uint32_t code = error & 0xFFFF;
    return code == 99 || code == 198;
}

bool isTimeout(std::uint32_t error) {
    return (error & 0xFFFF) == 62;
}

Client::~Client() {
    secureWipe(m_line);
}

void Client::greet() {
    if (!readReply().ok)
        throw std::runtime_error("pinentry refused the connection");
}

Reply Client::transact(const std::string& command) {
    m_out << command << '\n' << std::flush;
    return readReply();
}

void Client::require(const std::string& command) {
    if (!transact(command).ok)
        throw std::runtime_error("pinentry refused a command");
}

Reply Client::readReply() {
    Reply reply;
    // Room for any PIN, so that the data never reallocates and leaves copies behind.
    reply.data.reserve(maxLine);
    for (;;) {
        readLine(m_in, m_line, maxLine);
        if (m_line == "OK" || m_line.rfind("OK ", 0) == 0) {
            reply.ok = true;
            return reply;
        }
        if (m_line.rfind("ERR ", 0) == 0) {
            std::size_t end = 0;
            reply.error = static_cast<std::uint32_t>(std::stoul(m_line.substr(4), &end));
            reply.message = m_line.substr(std::min(m_line.size(), 4 + end + 1));
            return reply;
        }
        if (m_line.rfind("D ", 0) == 0) {
            appendUnescaped(reply.data, m_line, 2);
        } else if (m_line.rfind("INQUIRE", 0) == 0) {
            throw std::runtime_error("pinentry asked back");
        } else if (!m_line.empty() && m_line[0] != 'S' && m_line[0] != '#') {
            throw std::runtime_error("not an Assuan reply");
        }
    }
}

} // namespace assuan
