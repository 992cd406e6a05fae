#include "ModulePath.h"

#include "ModuleFileName.h"

#include <windows.h>

namespace FB::Npapi {

std::string modulePath() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&modulePath), &module))
        return {};
    return moduleFileName(module);
}

} // namespace FB::Npapi
