#include "TestEnv.h"

#include <cstdlib>
#include <windows.h>

void setEnvironment(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

std::filesystem::path hostPath(const std::string& path) {
    return "Z:" + path;
}
void killProcess(unsigned long pid) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

bool processEnds(unsigned long pid, int timeoutSeconds) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!process)
        return true;
    const bool ended = WaitForSingleObject(process, DWORD(timeoutSeconds) * 1000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

const char* const libraryLoaderContext = "WinSharedLibrary";
