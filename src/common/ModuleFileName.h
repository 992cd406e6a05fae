#pragma once

#include <string>

// Windows only: the full path (UTF-8) of a loaded module, the program itself for a null
// handle; empty when unknown.
std::string moduleFileName(void* module);
