#include "PromptText.h"

#include <utf8.h>

#include <iterator>

namespace {

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

// The visible characters of text, each run of spacing as one blank, none at either end. Bytes
// that are not UTF-8 read as U+FFFD.
std::u32string visibleCharacters(const std::string& text) {
    std::string valid;
    utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid));
    std::u32string out;
    bool pendingBlank = false;
    for (auto at = valid.begin(); at != valid.end();) {
        const auto c = static_cast<char32_t>(utf8::next(at, valid.end()));
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

std::string toUtf8(const std::u32string& text) {
    std::string out;
    utf8::utf32to8(text.begin(), text.end(), std::back_inserter(out));
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
    return toUtf8(shown);
}

std::string cleanSite(const std::string& site) {
    return toUtf8(visibleCharacters(site));
}
