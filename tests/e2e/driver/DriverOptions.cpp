#include "DriverOptions.h"

#include <cstdlib>

const char* const driverUsage =
    "usage: kv_browser [--timeout SECONDS] [--screenshot FILE.png] [--size WIDTHxHEIGHT]\n"
    "                  [--plugin-dir DIR]... [--interactive] PAGE\n";

namespace {

bool parsePositive(const std::string& text, int& out) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::atoi(text.c_str());
    return out > 0;
}

bool parseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    return x != std::string::npos && parsePositive(text.substr(0, x), width) &&
           parsePositive(text.substr(x + 1), height);
}

} // namespace

std::optional<DriverOptions> parseDriverOptions(const std::vector<std::string>& args,
                                                std::string& error) {
    DriverOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue =
            arg == "--timeout" || arg == "--screenshot" || arg == "--size" || arg == "--plugin-dir";
        if (takesValue && i + 1 == args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        if (arg == "--timeout") {
            if (!parsePositive(args[++i], options.timeLimitSeconds)) {
                error = "--timeout wants a positive number of seconds, not '" + args[i] + "'";
                return std::nullopt;
            }
        } else if (arg == "--screenshot") {
            options.screenshot = args[++i];
        } else if (arg == "--size") {
            if (!parseSize(args[++i], options.width, options.height)) {
                error = "--size wants WIDTHxHEIGHT, not '" + args[i] + "'";
                return std::nullopt;
            }
        } else if (arg == "--plugin-dir") {
            options.pluginDirs.push_back(args[++i]);
        } else if (arg == "--interactive") {
            options.interactive = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else if (!options.page.empty()) {
            error = "only one page per run";
            return std::nullopt;
        } else {
            options.page = arg;
        }
    }
    if (options.page.empty()) {
        error = "no page given";
        return std::nullopt;
    }
    return options;
}
