#pragma once

#include <string>
#include <vector>

namespace process::detail {

// The Windows command line for a list of arguments, the first being the program's name.
// A double quote becomes \", an argument holding a blank or a tab is put in double quotes,
// and backslashes before a double quote (written or closing) are doubled so that the
// program's parser gives back exactly the argument. Arguments are separated by one blank;
// an empty argument adds nothing.
std::string commandLine(const std::vector<std::string>& arguments);

} // namespace process::detail
