#include "ModuleFileName.h"
#include "ModuleHandle_win.h"
#include "ModulePath.h"

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
    return moduleFileName(module);
}
