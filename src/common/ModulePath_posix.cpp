#include "ModulePath.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>

std::string modulePath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&modulePath), &info) || !info.dli_fname)
        return {};
    // Browsers load the module through the link in their plug-in folder; its companions (the
    // token module, the PIN-entry program) live beside the real file.
    char real[PATH_MAX];
    if (!realpath(info.dli_fname, real))
        return info.dli_fname;
    return real;
}
