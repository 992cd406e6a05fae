#pragma once

#include <windows.h>

// The handle of the module (DLL or program) that holds this code.
HMODULE thisModuleHandle();
