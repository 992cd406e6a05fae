#include "ScriptedGuiPlatform.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

extern char** environ;

namespace scripted {

std::filesystem::path programFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::filesystem::path pathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::filesystem::path(value) : std::filesystem::path();
}

void binaryStandardStreams() {}

std::vector<std::string> arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

std::vector<std::string> startRecord() {
    return {};
}

std::vector<std::string> handleRecord() {
    std::vector<std::string> lines;
    for (int fd = 0; fd < 3; ++fd)
        lines.push_back("handle " + std::to_string(fd) +
                        (fcntl(fd, F_GETFD) < 0 ? " closed" : " open"));
    // Every other descriptor the program was given, less the one listing them.
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return lines;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const int fd = std::stoi(name);
        if (fd > 2 && fd != dirfd(dir))
            lines.push_back("fd " + name);
    }
    closedir(dir);
    return lines;
}

std::vector<std::string> environmentEntries() {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry)
        entries.emplace_back(*entry);
    return entries;
}

std::string currentDirectory() {
    return std::filesystem::current_path().string();
}

std::string integrityLevel() {
    return "none";
}

unsigned long processId() {
    return static_cast<unsigned long>(getpid());
}

} // namespace scripted
