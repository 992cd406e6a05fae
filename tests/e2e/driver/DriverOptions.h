#pragma once

#include <optional>
#include <string>
#include <vector>

// What one run of the browser driver is asked to do.
struct DriverOptions {
    std::string page; // a file path or a URL
    int timeLimitSeconds = 30;
    std::string screenshot; // PNG to write before exit; empty for none
    int width = 1024;
    int height = 768;
    std::vector<std::string> pluginDirs;
    bool interactive = false;
};

// Parses the command line (without the program name). On bad input returns nothing and sets
// `error` to a one-line reason.
std::optional<DriverOptions> parseDriverOptions(const std::vector<std::string>& args,
                                                std::string& error);

extern const char* const driverUsage;
