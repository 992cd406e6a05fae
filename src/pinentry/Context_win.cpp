#include "Context.h"

#include <memory>
#include <system_error>
#include <utf8.h>
#include <vector>
#include <windows.h>

namespace process {

namespace {

[[noreturn]] void throwLastError(const char* message) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), message);
}

// Inside the plug-in text is UTF-8; the system's wide block keeps every variable intact,
// which its narrow twin in the ANSI code page would not.
std::string toUtf8(const wchar_t* text) {
    std::string result;
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text));
    utf8::unchecked::utf16to8(view.begin(), view.end(), std::back_inserter(result));
    return result;
}

} // namespace

context::context() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> buffer(size + 1);
    if (size == 0 || GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data()) == 0)
        throwLastError("process::basic_work_directory_context::basic_work_directory_context: "
                       "GetCurrentDirectory failed");
    work_directory = buffer.data();
}

environment self::get_environment() {
    const std::unique_ptr<wchar_t, decltype(&FreeEnvironmentStringsW)> block(
        GetEnvironmentStringsW(), &FreeEnvironmentStringsW);
    if (!block)
        throwLastError("process::self::get_environment: GetEnvironmentStrings failed");
    environment result;
    for (const wchar_t* entry = block.get(); *entry; entry += wcslen(entry) + 1) {
        detail::addEnvironmentEntry(result, toUtf8(entry));
    }
    return result;
}

} // namespace process
