#pragma once

#include <string>

// Text is UTF-8 inside the plug-in. Wide text is UTF-16 where wchar_t has 16 bits (Windows)
// and UTF-32 where it has 32 (Linux). Invalid input throws utf8::exception.
std::wstring utf8ToWide(const std::string& text);
std::string wideToUtf8(const std::wstring& text);
