#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What the scripted PIN-entry program needs from the system it runs on.
namespace scripted {

// The folder that holds this program.
std::filesystem::path programFolder();
// A path named by an environment variable, or empty when it is not set.
std::filesystem::path pathFromEnvironment(const char* name);
// Puts the standard streams in binary mode: the bytes written are the bytes the parent reads.
void binaryStandardStreams();
// The program's arguments in UTF-8, as the system's own parser splits its command line.
std::vector<std::string> arguments(int argc, char** argv);
// Record lines about this process itself: the raw command line where the system has one.
std::vector<std::string> startRecord();
// Record lines describing the standard handles and any other handle inherited.
std::vector<std::string> handleRecord();
// Every variable of the environment as "name=value".
std::vector<std::string> environmentEntries();
std::string currentDirectory();
// The process's integrity level as a SID text ("S-1-16-4096" is low), or "none" where the
// system has no such thing.
std::string integrityLevel();
// This process's id, for a test that ends the program as the system or the user would.
unsigned long processId();

} // namespace scripted
