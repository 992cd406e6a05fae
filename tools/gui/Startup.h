#pragma once

#include <string>

// Makes the standard streams carry bytes unchanged (no line-end translation).
void binaryStandardStreams();
// The PIN given as the first argument (UTF-8), or empty when there is none.
std::string pinArgument(int argc, char** argv);
