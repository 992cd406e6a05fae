#pragma once

#include "PinEntryAbort.h"

#include <cstdint>
#include <string>

// Runs the PIN-entry program "Gui.bin" found in folder and returns the PIN it answers.
// mode says what the PIN is for (0 log in, 1 sign, 2 create, 3 remove, 4 derive), text is shown
// to the user, argument (the page's PIN, if any) follows the request on the program's input.
// Failures are Exceptions: -12 "Gui" while another exchange runs, the program's own non-zero status
// with "inputPin", -50 "loadGui" for anything else, including an exchange ended through abort.
std::string inputPin(const std::wstring& folder, std::int32_t mode, const std::string& text,
                     const std::string& argument, PinEntryAbort* abort = nullptr);
