#pragma once

// Gui.bin's only argument when the page gave the PIN itself: the PIN then follows the two
// request lines on standard input, never on the command line, where every local user could
// read it.
constexpr char kPinOnInputArgument[] = "--pin-on-input";
