#pragma once

#include <cstdint>
#include <string>

// What the dialog tells the user the PIN is wanted for. text is the container's display name
// for the modes that name one, followed by a unit separator (0x1F) and the asking site when the
// plug-in names one. UTF-8. The site, when there is one, is the first line, never cut (one that
// is empty or too long throws std::invalid_argument); the name is one line, cut to a fixed
// length.
std::string promptText(std::int32_t mode, const std::string& text);
