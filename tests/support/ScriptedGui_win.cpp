#include "ScriptedGuiPlatform.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <sddl.h>
#include <shellapi.h>

namespace scripted {

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size,
                        nullptr, nullptr);
    return result;
}

} // namespace

std::filesystem::path programFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    const DWORD size = GetModuleFileNameW(nullptr, &buffer[0], MAX_PATH);
    buffer.resize(size);
    return std::filesystem::path(buffer).parent_path();
}

std::filesystem::path pathFromEnvironment(const char* name) {
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    return value ? std::filesystem::path(value) : std::filesystem::path();
}

void binaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

std::vector<std::string> arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i)
        result.push_back(utf8(wide[i]));
    LocalFree(wide);
    return result;
}

std::vector<std::string> startRecord() {
    return {"cmdline " + utf8(GetCommandLineW())};
}

std::vector<std::string> handleRecord() {
    std::vector<std::string> lines;
    const DWORD which[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int i = 0; i < 3; ++i) {
        const HANDLE handle = GetStdHandle(which[i]);
        const bool open = handle != INVALID_HANDLE_VALUE && handle != nullptr &&
                          GetFileType(handle) != FILE_TYPE_UNKNOWN;
        lines.push_back("handle " + std::to_string(i) + (open ? " open" : " closed"));
    }
    return lines;
}

std::vector<std::string> environmentEntries() {
    std::vector<std::string> entries;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; entry && *entry; entry += wcslen(entry) + 1)
        entries.push_back(utf8(entry));
    FreeEnvironmentStringsW(block);
    return entries;
}

std::string currentDirectory() {
    return utf8(std::filesystem::current_path().wstring());
}

unsigned long processId() {
    return GetCurrentProcessId();
}

std::string integrityLevel() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return "unknown";
    std::string result = "unknown";
    DWORD size = 0;
    GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    wchar_t* text = nullptr;
    if (size && GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid,
                               &text)) {
        result = utf8(text);
        LocalFree(text);
    }
    CloseHandle(token);
    return result;
}

} // namespace scripted
