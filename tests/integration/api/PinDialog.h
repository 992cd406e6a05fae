#pragma once

#include "GuiFolder.h"

#include <string>
#include <vector>

// The PIN-entry program a hygiene test types its PIN into. On Linux it is the real Gui.bin,
// speaking to a fake pinentry that answers from a file; on Windows, where the real one is a
// dialog, the scripted stand-in the folder already holds.
class PinDialog {
public:
    explicit PinDialog(const GuiFolder& gui);

    // What the user types next, written without a stream buffer holding a copy.
    void typeNext(const std::string& pin) const;
    // The typed PIN leaves the folder; the next answer is the token's right PIN.
    void forget() const;
    // Files of the folder that are not the plug-in's to keep clean.
    std::vector<std::string> notThePlugins() const;

private:
    const GuiFolder& m_gui;
};
