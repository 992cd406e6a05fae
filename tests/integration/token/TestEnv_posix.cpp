#include "TestEnv.h"

#include <cstdlib>

void setEnvironment(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

std::filesystem::path hostPath(const std::string& path) {
    return path;
}
const char* const libraryLoaderContext = "PosixSharedLibrary";
