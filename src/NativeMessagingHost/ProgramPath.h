#pragma once

#include <string>

namespace FB::NativeMessaging {

// The full path (UTF-8) of this program's file; empty when unknown.
std::string programPath();

} // namespace FB::NativeMessaging
