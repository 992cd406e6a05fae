#pragma once

#include "GuiFolder.h"
#include "npapi_abi.h"

#include <windows.h>

#include <filesystem>
#include <string>

// The plug-in folder as a browser finds it (or the installed plug-in, see the constructor):
// npkestrova.dll with kvpkcs11.dll and the scripted Gui.bin beside it. The module is loaded once
// for the program, since the folder it is loaded from is the one it looks in for the PKCS#11 module
// and the PIN-entry program.
class PluginFolder {
public:
    static PluginFolder& get();
    ~PluginFolder();
    PluginFolder(const PluginFolder&) = delete;
    PluginFolder& operator=(const PluginFolder&) = delete;

    std::filesystem::path modulePath() const { return path; }
    std::filesystem::path pkcs11Path() const { return path.parent_path() / "kvpkcs11.dll"; }

    GuiFolder gui;
    std::filesystem::path path;
    HMODULE module = nullptr;
    NP_GetEntryPointsFunc getEntryPoints = nullptr;
    NP_InitializeFunc initialize = nullptr;
    NP_ShutdownFunc shutdown = nullptr;

private:
    PluginFolder();
};
