#pragma once

#include <string>

// Asks the user for the PIN, showing description (UTF-8). Returns true with the PIN (UTF-8)
// in pin, false when the user cancelled; throws when no dialog could be shown.
bool askPin(const std::string& description, std::string& pin);
