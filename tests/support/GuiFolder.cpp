#include "GuiFolder.h"

#include <chrono>
#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

fs::path uniqueFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::temp_directory_path() / ("kv-gui-" + std::to_string(random()));
        if (fs::create_directory(candidate))
            return candidate;
    }
    throw std::runtime_error("no fresh folder for Gui.bin");
}

} // namespace

GuiFolder::GuiFolder(const std::string& script) : m_path(uniqueFolder()) {
    try {
        fs::copy_file(program(), gui());
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
        throw;
    }
    setScript(script);
}

GuiFolder::~GuiFolder() {
    // A program that is still running may hold its file for a moment (Windows).
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::error_code error;
        fs::remove_all(m_path, error);
        if (!error)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void GuiFolder::setScript(const std::string& script) const {
    std::ofstream(m_path / "Gui.script", std::ios::binary) << script;
}

std::vector<std::string> GuiFolder::record() const {
    std::ifstream in(m_path / "Gui.record", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void GuiFolder::removeProgram() const {
    fs::remove(gui());
}

void GuiFolder::touch(const std::string& name) const {
    std::ofstream(m_path / name).put('\n');
}

bool GuiFolder::waitFor(const std::string& name, int timeoutSeconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (!fs::exists(m_path / name)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

fs::path GuiFolder::program() {
    return fs::u8path(KV_SCRIPTED_GUI);
}

std::string pinAnswer(const std::string& pin) {
    // The program reads its command line, then prints the dialog's status and the PIN.
    return "read\nline 0\nline " + pin + "\n";
}
