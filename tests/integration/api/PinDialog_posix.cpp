#include "PinDialog.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path answerFile(const GuiFolder& gui) {
    return gui.path() / "pinentry.answer";
}

} // namespace

PinDialog::PinDialog(const GuiFolder& gui) : m_gui(gui) {
    fs::copy_file(KV_GUI_PROGRAM, gui.gui(), fs::copy_options::overwrite_existing);
    setEnvironment("KESTROVA_PINENTRY", KV_FAKE_PINENTRY);
    setEnvironment("FAKE_PINENTRY_RECORD", (gui.path() / "pinentry.record").string());
    // The answer comes from a file, so the PIN is not in the pinentry's environment.
    setEnvironment("FAKE_PINENTRY_ANSWER", "pinfile:" + answerFile(gui).string());
}

void PinDialog::typeNext(const std::string& pin) const {
    const int fd = ::open(answerFile(m_gui).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, pin.data(), pin.size()), ssize_t(pin.size()));
    ::close(fd);
}

void PinDialog::forget() const {
    typeNext(std::string(32, ' '));
    fs::remove(answerFile(m_gui));
    typeNext("1234");
}

std::vector<std::string> PinDialog::notThePlugins() const {
    return {"Gui.bin"};
}
