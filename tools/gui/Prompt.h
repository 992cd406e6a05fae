#pragma once

#include <cstdint>
#include <string>

// What the dialog tells the user the PIN is wanted for. text is the container's display name
// for the modes that name one, followed by a unit separator (0x1F) and the asking site when a
// browser extension names one. UTF-8.
std::string promptText(std::int32_t mode, const std::string& text);
