#pragma once

#include <filesystem>
#include <string>

// Sets a variable of this process's environment, seen by modules it loads afterwards.
void setEnvironment(const std::string& name, const std::string& value);

// A file of the build machine as this program sees it (under Wine the host's root is Z:).
std::filesystem::path hostPath(const std::string& path);

// Ends a process at once, as the system or a user's task manager would.
void killProcess(unsigned long pid);
// Waits, up to timeout seconds, until the process has ended (ended but not yet reaped counts).
bool processEnds(unsigned long pid, int timeoutSeconds = 30);

// The context of a failure to load a library: the name of this platform's loader class.
extern const char* const libraryLoaderContext;
