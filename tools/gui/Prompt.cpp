#include "Prompt.h"

#include "Messages.h"

namespace {

std::string wording(std::int32_t mode, const std::string& text) {
    switch (mode) {
    case 0:
        return translate("Enter the PIN of your token to log in.");
    case 1:
        return translate("Enter the PIN of your token to sign with container \"%s\".", text);
    case 2:
        return translate("Enter the PIN of your token to create container \"%s\".", text);
    case 3:
        return translate("Enter the PIN of your token to remove container \"%s\".", text);
    case 4:
        return translate(
            "Enter the PIN of your token to derive a session key with container \"%s\".", text);
    default:
        return translate("Enter the PIN of your token.");
    }
}

} // namespace

std::string promptText(std::int32_t mode, const std::string& text) {
    // A site that asks follows the last unit separator.
    const std::size_t separator = text.rfind('\x1f');
    if (separator == std::string::npos)
        return wording(mode, text);
    return wording(mode, text.substr(0, separator)) + "\n" +
           translate("Requested by %s.", text.substr(separator + 1));
}
