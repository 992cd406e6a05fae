#include "Startup.h"

void binaryStandardStreams() {}

std::string pinArgument(int argc, char** argv) {
    return argc > 1 ? argv[1] : "";
}
