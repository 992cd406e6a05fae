#include "RecordText.h"

#include "HexDigit.h"

namespace scripted {

std::string escape(const std::string& bytes) {
    std::string result;
    for (const char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\')
            result += "\\\\";
        else if (c == '\r')
            result += "\\r";
        else if (c == '\n')
            result += "\\n";
        else if (c == '\t')
            result += "\\t";
        else if (u < 0x20 || u >= 0x7f) {
            static const char digits[] = "0123456789ABCDEF";
            result += "\\x";
            result += digits[u >> 4];
            result += digits[u & 15];
        } else
            result += c;
    }
    return result;
}

std::string unescape(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 'r')
            result += '\r';
        else if (next == 'n')
            result += '\n';
        else if (next == 't')
            result += '\t';
        else if (next == 'x' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
                 hexDigitValue(text[i + 2]) >= 0) {
            result +=
                static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else
            result += next;
    }
    return result;
}

} // namespace scripted
