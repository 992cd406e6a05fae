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
    std::string out;
    if constexpr (sizeof(wchar_t) == 2)
        utf8::utf16to8(text.begin(), text.end(), std::back_inserter(out));
    else
        utf8::utf32to8(text.begin(), text.end(), std::back_inserter(out));
    return out;
}
