#include "Utf.h"

#include <utf8.h>

#include <iterator>

std::wstring utf8ToWide(const std::string& text) {
    std::wstring out;
    if constexpr (sizeof(wchar_t) == 2)
        utf8::utf8to16(text.begin(), text.end(), std::back_inserter(out));
    else
        utf8::utf8to32(text.begin(), text.end(), std::back_inserter(out));
    return out;
}

std::string wideToUtf8(const std::wstring& text) {
    // The result's buffer is made its final size at once: the text may be a secret, and a
    // buffer that grew would leave its freed predecessors holding the start of it.
    std::size_t size = 0;
    for (const wchar_t c : text) {
        const auto unit = static_cast<unsigned long>(c);
        const bool surrogate = sizeof(wchar_t) == 2 && unit >= 0xD800 && unit <= 0xDFFF;
        size += unit < 0x80 ? 1 : unit < 0x800 ? 2 : surrogate ? 2 : unit < 0x10000 ? 3 : 4;
    }
    std::string out;
    out.reserve(size);
    if constexpr (sizeof(wchar_t) == 2)
        utf8::utf16to8(text.begin(), text.end(), std::back_inserter(out));
    else
        utf8::utf32to8(text.begin(), text.end(), std::back_inserter(out));
    return out;
}
