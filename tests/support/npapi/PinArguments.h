#pragma once

#include "FakeBrowser.h"
#include "npapi_abi.h"

#include <cstddef>

class GuiFolder;

namespace fakenp {

// A page calls the scripting object's members that take a PIN argument with a distinctive PIN
// of `pinLength` characters, as an NPString, after making the key container "box" (the scripted
// PIN-entry program in `gui` must answer the token's right PIN; later it answers the PIN it is
// given). The PIN is one the token refuses, so each call
// goes the whole way to the token's answer. After each call nothing this process can read may
// hold a copy: the plug-in's conversion of the arguments and the argument lists it holds are
// its own to wipe. The string the page passed is the browser's, wiped here after the call.
void expectPinArgumentsLeaveNoCopy(FakeBrowser& browser, NPObject* scriptable, const GuiFolder& gui,
                                   std::size_t pinLength);

} // namespace fakenp
