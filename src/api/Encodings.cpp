#include "Encodings.h"

#include "HexDigit.h"
#include "PromptText.h"

#include <algorithm>
#include <cctype>

namespace {

// A number read from [begin, end) as a stream reads an unsigned hexadecimal value: blanks
// skipped, an optional sign, digits up to the first non-digit. No digit reads as 0.
unsigned char readHexByte(const char* begin, const char* end) {
    while (begin != end && std::isspace(static_cast<unsigned char>(*begin)))
        ++begin;
    bool negative = false;
    if (begin != end && (*begin == '+' || *begin == '-')) {
        negative = *begin == '-';
        ++begin;
    }
    unsigned value = 0;
    for (; begin != end && hexDigitValue(*begin) >= 0; ++begin)
        value = value * 16 + static_cast<unsigned>(hexDigitValue(*begin));
    if (negative)
        value = 0u - value;
    return static_cast<unsigned char>(value & 0xFF);
}

} // namespace

Bytes hexToBytes(const std::string& text) {
    Bytes bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = readHexByte(text.data() + 2 * i, text.data() + 2 * i + 2);
    return bytes;
}

std::string bytesToHex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

std::string unscrambleHex(const std::string& text) {
    static const std::string alphabet = "PLOKIJUHYGTFRDES";
    static const char digits[] = "0123456789ABCDEF";
    std::string out = text;
    for (char& c : out) {
        const std::size_t position = alphabet.find(c);
        if (position != std::string::npos)
            c = digits[position];
    }
    return out;
}

std::string containerDisplayName(const std::string& name) {
    std::string shown = name;
    const std::size_t position = shown.find("#%#");
    if (position != std::string::npos)
        shown.replace(position, 3, " - ");
    return shown;
}

std::string pinRequestText(const std::string& displayText, const std::string& site) {
    std::string text = cleanShownText(displayText);
    if (!site.empty())
        text += '\x1f' + cleanSite(site);
    return text;
}

void reverseBytes(Bytes& bytes) {
    std::reverse(bytes.begin(), bytes.end());
}

void reverseHalves(Bytes& bytes) {
    const auto half = bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2);
    std::reverse(bytes.begin(), half);
    std::reverse(half, bytes.end());
}

Bytes swapHalves(const Bytes& bytes) {
    const auto half = bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2);
    Bytes swapped(half, bytes.end());
    swapped.insert(swapped.end(), bytes.begin(), half);
    return swapped;
}
