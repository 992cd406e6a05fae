#include "ModuleHandle_win.h"
#include "ModulePath.h"
#include "Utf.h"

HMODULE thisModuleHandle() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&thisModuleHandle), &module);
    return module;
}

std::string modulePath() {
    const HMODULE module = thisModuleHandle();
    if (!module)
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return wideToUtf8(path);
        }
        path.resize(path.size() * 2);
    }
}
