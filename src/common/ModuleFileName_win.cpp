#include "ModuleFileName.h"

#include "Utf.h"

#include <windows.h>

std::string moduleFileName(void* module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(static_cast<HMODULE>(module), path.data(),
                                                static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return wideToUtf8(path);
        }
        path.resize(path.size() * 2);
    }
}
