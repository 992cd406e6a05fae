// A module that reports where modulePath() says it is.
#include "ModulePath.h"

#include <string>

extern "C" __attribute__((visibility("default"))) const char* kvProbeModulePath() {
    static const std::string path = modulePath();
    return path.c_str();
}
