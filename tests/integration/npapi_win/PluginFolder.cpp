#include "PluginFolder.h"

#include "TestEnv.h"

#include <cstdlib>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

template <typename F> F entryPoint(HMODULE module, const char* name) {
    FARPROC address = GetProcAddress(module, name);
    if (!address)
        throw std::runtime_error(std::string("npkestrova.dll does not export ") + name);
    return reinterpret_cast<F>(reinterpret_cast<void*>(address));
}

// Where an NPAPI browser finds the installed plug-in: the Path of its MozillaPlugins key.
fs::path installedModule() {
    wchar_t path[MAX_PATH * 4] = {};
    DWORD size = sizeof(path) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\MozillaPlugins\\velmora.com/kestrova", L"Path",
                     RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        throw std::runtime_error("no MozillaPlugins key for the installed plug-in");
    return path;
}

} // namespace

PluginFolder& PluginFolder::get() {
    static PluginFolder folder;
    return folder;
}

// With KV_NPAPI_INSTALLED set, the module is the installed one, found as browsers find it, with
// the token module installed beside it; else a copy of the build's, in a folder of its own.
PluginFolder::PluginFolder() : gui("") {
    if (const char* installed = std::getenv("KV_NPAPI_INSTALLED"); installed && *installed) {
        path = installedModule();
    } else {
        path = gui.path() / "npkestrova.dll";
        fs::copy_file(hostPath(KV_NPAPI_MODULE), modulePath());
        fs::copy_file(hostPath(KV_SOFTTOKEN_MODULE), pkcs11Path());
    }
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
