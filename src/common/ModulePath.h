#pragma once

#include <string>

// The full path (UTF-8) of the module file that holds this code, links resolved; empty when
// unknown.
std::string modulePath();
