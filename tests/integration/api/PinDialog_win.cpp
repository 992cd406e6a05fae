#include "PinDialog.h"

#include "SecureWipe.h"

#include <gtest/gtest.h>
#include <windows.h>

PinDialog::PinDialog(const GuiFolder& gui) : m_gui(gui) {}

void PinDialog::typeNext(const std::string& pin) const {
    std::string script = "read\nline 0\nline " + pin + "\n";
    const HANDLE file = CreateFileW((m_gui.path() / "Gui.script").wstring().c_str(), GENERIC_WRITE,
                                    0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, script.data(), DWORD(script.size()), &written, nullptr));
    EXPECT_EQ(written, script.size());
    CloseHandle(file);
    secureWipe(script);
}

void PinDialog::forget() const {
    typeNext(std::string(32, ' '));
    typeNext("1234");
}

// The stand-in records the command line it was given, and a PIN argument travels there by
// design: that record is the test's, not the plug-in's.
std::vector<std::string> PinDialog::notThePlugins() const {
    return {"Gui.bin", "Gui.record"};
}
