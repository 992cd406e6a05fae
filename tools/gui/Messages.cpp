#include "Messages.h"

std::string translate(const char* english, const std::string& value) {
    std::string text = translate(english);
    const std::size_t slot = text.find("%s");
    if (slot != std::string::npos)
        text.replace(slot, 2, value);
    return text;
}
