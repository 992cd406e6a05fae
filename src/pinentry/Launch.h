#pragma once

#include "Child.h"
#include "Context.h"

#include <string>
#include <vector>

namespace process {

// Starts executable (a full path) with arguments, the first being the name the program sees
// as its own, in the given context. Failures are std::system_error with the system's code.
// On Windows the program runs at low integrity level where the system allows it.
child launch(const std::wstring& executable, const std::vector<std::string>& arguments,
             const context& ctx);

} // namespace process
