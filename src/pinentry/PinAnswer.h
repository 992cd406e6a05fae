#pragma once

#include <istream>
#include <string>

// Reads what the PIN-entry program answers: a status line, an optional sign and decimal digits
// within 32 bits, and after a status of 0 the PIN line. A non-zero status throws
// Exception(status, "inputPin"); a malformed or endless answer throws another std::exception.
// The stream should throw on failure and end of input, so that a short answer is not taken for
// an empty PIN.
std::string readPinAnswer(std::istream& answer);
