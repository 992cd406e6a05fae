#pragma once

#include <string>

// The full path (UTF-8) of the module file that holds this code; empty when unknown.
std::string modulePath();
