#include "PluginFolder.h"

#include "TestEnv.h"

#include <stdexcept>

namespace fs = std::filesystem;

namespace {

template <typename F> F entryPoint(HMODULE module, const char* name) {
    FARPROC address = GetProcAddress(module, name);
    if (!address)
        throw std::runtime_error(std::string("npkestrova.dll does not export ") + name);
    return reinterpret_cast<F>(reinterpret_cast<void*>(address));
}

} // namespace

PluginFolder& PluginFolder::get() {
    static PluginFolder folder;
    return folder;
}

PluginFolder::PluginFolder() : gui("") {
    fs::copy_file(hostPath(KV_NPAPI_MODULE), modulePath());
    fs::copy_file(hostPath(KV_SOFTTOKEN_MODULE), pkcs11Path());
    module = LoadLibraryW(modulePath().wstring().c_str());
    if (!module)
        throw std::runtime_error("LoadLibraryW failed for npkestrova.dll: " +
                                 std::to_string(GetLastError()));
    // Exported undecorated, by these names, as browsers look them up.
    getEntryPoints = entryPoint<NP_GetEntryPointsFunc>(module, "NP_GetEntryPoints");
    initialize = entryPoint<NP_InitializeFunc>(module, "NP_Initialize");
    shutdown = entryPoint<NP_ShutdownFunc>(module, "NP_Shutdown");
}

PluginFolder::~PluginFolder() {
    // Every test has shut the module down; unloading it lets the folder go.
    FreeLibrary(module);
}
