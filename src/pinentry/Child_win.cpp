#include "Child.h"
#include "ProcessHandle_win.h"

#include <system_error>

namespace process {

namespace {

[[noreturn]] void throwLastError(const char* message) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), message);
}

} // namespace

int child::wait() {
    const HANDLE process = detail::native(m_process->handle);
    if (WaitForSingleObject(process, INFINITE) == WAIT_FAILED)
        throwLastError("process::child::wait: WaitForSingleObject failed");
    DWORD code = 0;
    if (!GetExitCodeProcess(process, &code))
        throwLastError("process::child::wait: GetExitCodeProcess failed");
    return static_cast<int>(code);
}

void child::terminate() noexcept {
    TerminateProcess(detail::native(m_process->handle), 1);
}

} // namespace process
