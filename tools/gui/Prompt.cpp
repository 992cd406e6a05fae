#include "Prompt.h"

#include "Messages.h"
#include "PromptText.h"

#include <stdexcept>

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
    // A site that asks follows the last unit separator: the caller put it there, whatever the
    // name before it holds. Whoever started us, the name is cleaned and cut here too.
    const std::size_t separator = text.rfind('\x1f');
    if (separator == std::string::npos)
        return wording(mode, cleanShownText(text));
    const std::string site = cleanSite(text.substr(separator + 1));
    // The site comes first, on its own line, and whole: one too long to show is refused.
    if (site.empty() || site.size() > kSiteLimit)
        throw std::invalid_argument("site");
    return translate("Requested by %s.", site) + "\n" +
           wording(mode, cleanShownText(text.substr(0, separator)));
}
