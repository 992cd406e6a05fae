#include "TestEnv.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>

void setEnvironment(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

std::filesystem::path hostPath(const std::string& path) {
    return path;
}
void killProcess(unsigned long pid) {
    kill(static_cast<pid_t>(pid), SIGKILL);
}

bool processEnds(unsigned long pid, int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/stat");
        std::string id, name, state;
        // The name is in parentheses and holds no blank for our programs.
        if (!(status >> id >> name >> state) || state == "Z" || state == "X")
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

const char* const libraryLoaderContext = "PosixSharedLibrary";
