#include "Launch.h"

#include "CommandLine.h"
#include "Pipe.h"
#include "ProcessHandle_win.h"
#include "Win32Handles.h"

#include <sddl.h>
#include <system_error>
#include <utf8.h>

namespace process {

namespace {

[[noreturn]] void throwLastError(const char* message) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), message);
}

// Narrow text inside the plug-in is UTF-8; bytes that are not are carried one code unit each.
void appendWide(std::wstring& out, const std::string& text) {
    if (utf8::is_valid(text.begin(), text.end()))
        utf8::unchecked::utf8to16(text.begin(), text.end(), std::back_inserter(out));
    else
        for (const char c : text)
            out += static_cast<wchar_t>(static_cast<unsigned char>(c));
}

file_handle nullDevice(DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE handle =
        CreateFileA("NUL", access, 0, &inheritable, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throwLastError("process::detail::win32_start: CreateFile failed");
    return file_handle(detail::fromNative(handle));
}

// What the child gets for one standard stream; for Piped, the parent's end goes to parentEnd.
file_handle childEnd(stream_mode mode, DWORD which, file_handle& parentEnd) {
    const bool input = which == STD_INPUT_HANDLE;
    switch (mode) {
    case Piped: {
        detail::pipe p;
        parentEnd = std::move(input ? p.write_end : p.read_end);
        file_handle end = std::move(input ? p.read_end : p.write_end);
        detail::win32_set_inheritable(end);
        return end;
    }
    case Inherited:
        return detail::win32_std(which);
    case NullDevice:
        return input ? nullDevice(GENERIC_READ, OPEN_EXISTING)
                     : nullDevice(GENERIC_WRITE, CREATE_ALWAYS);
    case Closed:
    case ToStdout:
        break;
    }
    return file_handle();
}

std::wstring environmentBlock(const environment& env) {
    std::wstring block;
    for (const auto& [name, value] : env) {
        appendWide(block, name);
        block += L'=';
        appendWide(block, value);
        block += L'\0';
    }
    block += L'\0';
    if (env.empty())
        block += L'\0';
    return block;
}

class LocalSid {
public:
    ~LocalSid() {
        if (m_sid)
            LocalFree(m_sid);
    }
    PSID* out() { return &m_sid; }
    PSID get() const { return m_sid; }

private:
    PSID m_sid = nullptr;
};

// A primary token of this process lowered to low integrity, or none where the system refuses.
file_handle lowIntegrityToken() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), MAXIMUM_ALLOWED, &own))
        return file_handle();
    const file_handle ownToken(detail::fromNative(own));
    HANDLE duplicate = nullptr;
    if (!DuplicateTokenEx(own, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation, TokenPrimary,
                          &duplicate))
        return file_handle();
    file_handle token(detail::fromNative(duplicate));
    LocalSid low;
    if (!ConvertStringSidToSidW(L"S-1-16-4096", low.out()))
        return file_handle();
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Sid = low.get();
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    if (!SetTokenInformation(duplicate, TokenIntegrityLevel, &label,
                             sizeof(label) + GetLengthSid(low.get())))
        return file_handle();
    return token;
}

PROCESS_INFORMATION win32_start(const std::wstring& executable, std::wstring& commandLine,
                                const std::wstring& workDirectory, std::wstring& environment,
                                const STARTUPINFOW& startup) {
    STARTUPINFOW info = startup;
    info.dwFlags |= STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    const file_handle token = lowIntegrityToken();
    if (token.valid() &&
        CreateProcessAsUserW(detail::native(token), executable.c_str(), &commandLine[0], nullptr,
                             nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, &environment[0],
                             workDirectory.c_str(), &info, &process))
        return process;
    // Where low integrity is not to be had, the program runs at the plug-in's own level.
    if (!CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT, &environment[0], workDirectory.c_str(), &info,
                        &process))
        throwLastError("process::detail::win32_start: CreateProcessAsUser failed");
    return process;
}

} // namespace

child launch(const std::wstring& executable, const std::vector<std::string>& arguments,
             const context& ctx) {
    file_handle parentIn, parentOut, parentErr;
    const file_handle childIn = childEnd(ctx.stdin_mode, STD_INPUT_HANDLE, parentIn);
    const file_handle childOut = childEnd(ctx.stdout_mode, STD_OUTPUT_HANDLE, parentOut);
    // Standard error as a copy of standard output only when the output has a handle at all.
    const file_handle childErr =
        ctx.stderr_mode == ToStdout
            ? (childOut.valid() ? detail::win32_dup(detail::native(childOut)) : file_handle())
            : childEnd(ctx.stderr_mode, STD_ERROR_HANDLE, parentErr);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.hStdInput = detail::native(childIn);
    startup.hStdOutput = detail::native(childOut);
    startup.hStdError = detail::native(childErr);

    // Every local user can read a command line: the PIN-entry exchange puts no secret on it.
    std::wstring commandLine;
    appendWide(commandLine, detail::commandLine(arguments));
    std::wstring environment = environmentBlock(ctx.env);

    const PROCESS_INFORMATION info =
        win32_start(executable, commandLine, ctx.work_directory, environment, startup);
    auto process = std::make_shared<detail::process_handle>(info.hProcess);
    if (!CloseHandle(info.hThread))
        throwLastError("process::launch: CloseHandle failed");

    return child(info.dwProcessId, std::move(process),
                 parentIn.valid() ? std::make_shared<postream>(std::move(parentIn)) : nullptr,
                 parentOut.valid() ? std::make_shared<pistream>(std::move(parentOut)) : nullptr,
                 parentErr.valid() ? std::make_shared<pistream>(std::move(parentErr)) : nullptr);
}

} // namespace process
