#pragma once

#include <string>

namespace scripted {

// Bytes as the scripted program's record and script show them: printable ASCII as it is, the
// rest as \r, \n, \t, \\ or \xHH.
std::string escape(const std::string& bytes);
// The escapes read back; any other escaped character stands for itself.
std::string unescape(const std::string& text);

} // namespace scripted
