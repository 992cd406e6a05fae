#include "PromptText.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One code point from text at i (advanced past it); an invalid or overlong sequence reads as
// U+FFFD and consumes one byte.
char32_t nextCodePoint(const std::string& text, std::size_t& i) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t lowest = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, lowest = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + length > text.size()) {
        ++i;
        return kReplacement;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += length;
    return value;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Breaks lines or separates words: shown as one blank.
bool isSpacing(char32_t c) {
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ' ' || c == 0x85 ||
           c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

// Invisible, or reorders what follows: a page could hide or rearrange text with it.
bool isHidden(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xAD || c == 0x034F || c == 0x061C ||
           c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5 || c == 0x180E ||
           (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x206F) || c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) ||
           c == 0xFEFF || c == 0xFFA0 || (c >= 0xFFF0 && c <= 0xFFF8) ||
           (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE0FFF);
}

// The visible characters of text, each run of spacing as one blank, none at either end.
std::u32string visibleCharacters(const std::string& text) {
    std::u32string out;
    bool pendingBlank = false;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = nextCodePoint(text, i);
        if (isSpacing(c)) {
            pendingBlank = !out.empty();
        } else if (!isHidden(c)) {
            if (pendingBlank)
                out += U' ';
            pendingBlank = false;
            out += c;
        }
    }
    return out;
}

} // namespace

std::string cleanShownText(const std::string& text) {
    std::u32string shown = visibleCharacters(text);
    if (shown.size() > kShownTextLimit) {
        shown.resize(kShownTextLimit - 1);
        while (!shown.empty() && shown.back() == U' ')
            shown.pop_back();
        shown += U'\u2026';
    }
    std::string out;
    for (const char32_t c : shown)
        appendUtf8(out, c);
    return out;
}

std::string cleanSite(const std::string& site) {
    std::string out;
    for (const char32_t c : visibleCharacters(site))
        appendUtf8(out, c);
    return out;
}
