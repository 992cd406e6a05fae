#include "CommandLine.h"

namespace process::detail {

namespace {

// Appends the argument as the C runtime's parser takes it back apart.
void appendQuoted(std::string& result, const std::string& argument) {
    const bool enclose = argument.find_first_of(" \t") != std::string::npos;
    if (enclose)
        result += '"';
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            result.append(backslashes + 1, '\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        result += c;
    }
    if (enclose) {
        result.append(backslashes, '\\');
        result += '"';
    }
}

} // namespace

std::string commandLine(const std::vector<std::string>& arguments) {
    std::string result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        appendQuoted(result, arguments[i]);
        if (i + 1 < arguments.size())
            result += ' ';
    }
    return result;
}

} // namespace process::detail
