#pragma once

#include <string>

// UTF-8 to the system's UTF-16 and back; bytes that are not UTF-8 are read in the ANSI code page.
std::wstring toWide(const std::string& text);
std::string toUtf8(const std::wstring& text);
