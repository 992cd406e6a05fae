#include "WideText.h"

#include <windows.h>

std::wstring toWide(const std::string& text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    UINT codePage = CP_UTF8;
    int size = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (size == 0) {
        codePage = CP_ACP;
        size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    }
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &result[0], size);
    return result;
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &result[0], size, nullptr, nullptr);
    return result;
}
