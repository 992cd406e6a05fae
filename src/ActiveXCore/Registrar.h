#pragma once

#include "RegistryScript.h"

#include <windows.h>

#include <string>

namespace FB::ActiveX {

// Writes (install) or removes what a registration script describes, by each key's removal
// mark; the first failing registry call gives the result.
HRESULT applyRegistryScript(const RegistryScript& script, bool install);

// The text of a registration script resource of this module.
std::string registryScriptResource(int id);

// The replacements of this module's scripts: APPID, CLSID, LIBID, MODULE (quoted when this
// module is the program itself), Module_Raw and THREADING.
Replacements moduleReplacements();

// Runs the resource script with the module's replacements; per user, its HKCR keys go to
// HKCU\Software\Classes.
HRESULT runRegistryScript(int id, bool install, bool perUser);

} // namespace FB::ActiveX
