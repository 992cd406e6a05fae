#include "Prompt.h"

namespace {

std::string wording(std::int32_t mode, const std::string& text) {
    const std::string lead = "Enter the PIN of your token ";
    const std::string container = "container \"" + text + "\"";
    switch (mode) {
    case 0:
        return lead + "to log in.";
    case 1:
        return lead + "to sign with " + container + ".";
    case 2:
        return lead + "to create " + container + ".";
    case 3:
        return lead + "to remove " + container + ".";
    case 4:
        return lead + "to derive a session key with " + container + ".";
    default:
        return "Enter the PIN of your token.";
    }
}

} // namespace

std::string promptText(std::int32_t mode, const std::string& text) {
    // A site that asks follows the last unit separator.
    const std::size_t separator = text.rfind('\x1f');
    if (separator == std::string::npos)
        return wording(mode, text);
    return wording(mode, text.substr(0, separator)) + "\nRequested by " +
           text.substr(separator + 1) + ".";
}
