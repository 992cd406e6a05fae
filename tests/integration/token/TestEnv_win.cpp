#include "TestEnv.h"

#include <cstdlib>

void setEnvironment(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

std::filesystem::path hostPath(const std::string& path) {
    return "Z:" + path;
}
const char* const libraryLoaderContext = "WinSharedLibrary";
