#pragma once

#include <string>

// Asks the user for the PIN, showing description (UTF-8). Returns true with the PIN (UTF-8)
// in pin, false when the user cancelled; throws when no dialog could be shown.
bool askPin(const std::string& description, std::string& pin);

// Where this process was started only to become the dialog's helper program (see the platform
// file), becomes it and never returns; otherwise returns at once.
void becomeDialogHelperWhenAsked(int argc, char** argv);
