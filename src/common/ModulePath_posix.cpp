#include "ModulePath.h"

#include <dlfcn.h>

std::string modulePath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&modulePath), &info) || !info.dli_fname)
        return {};
    return info.dli_fname;
}
