#pragma once

#include <string>

#include "Tag.h"

namespace der {

// Two upper-case hexadecimal digits per byte.
std::string hexText(const Bytes& bytes);
// Bytes from hexadecimal digits of either case; false for an odd count or another character.
bool hexBytes(const std::string& text, Bytes& bytes);

} // namespace der
