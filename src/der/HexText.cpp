#include "HexText.h"

#include "HexDigit.h"

namespace der {

std::string hexText(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

bool hexBytes(const std::string& text, Bytes& bytes) {
    if (text.size() % 2)
        return false;
    Bytes out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigitValue(text[i]), low = hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        out.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    bytes = out;
    return true;
}

} // namespace der
