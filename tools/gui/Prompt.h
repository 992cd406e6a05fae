#pragma once

#include <cstdint>
#include <string>

// What the dialog tells the user the PIN is wanted for. text is the container's display name
// for the modes that name one. UTF-8.
std::string promptText(std::int32_t mode, const std::string& text);
