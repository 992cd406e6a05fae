#pragma once

#include <string>

// Sections of the software token's configuration (kvsofttoken.conf), for tests to write.

// A token in its slot, logged in to with pin.
std::string pinSlot(const std::string& serial = "0123456789AB", const std::string& pin = "1234");
// A token whose PIN is typed on the reader's keypad: keypadInput is what the user types there.
std::string pinpadSlot(const std::string& serial = "PAD0000000000001",
                       const std::string& keypadInput = "1234");
std::string emptySlot();
// The same slot with its token taken out.
std::string removed(std::string slot);
// Function F answers rv on its call-th call (counted from the moment the fault is written).
std::string fault(const std::string& function, int call, unsigned long rv);
