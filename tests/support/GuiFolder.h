#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder holding the scripted PIN-entry program as "Gui.bin" and its script, as the
// plug-in's own folder would hold the real one. Removed with everything in it when it goes.
class GuiFolder {
public:
    // script: the program's commands, one a line (see README.md).
    explicit GuiFolder(const std::string& script);
    ~GuiFolder();
    GuiFolder(const GuiFolder&) = delete;
    GuiFolder& operator=(const GuiFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Where the program lies in the folder: path() / "Gui.bin".
    std::filesystem::path gui() const { return m_path / "Gui.bin"; }
    // The folder as the plug-in names it (its pluginDirectory).
    std::wstring wide() const { return m_path.wstring(); }
    void setScript(const std::string& script) const;
    // The lines recorded so far; empty when the program has not run.
    std::vector<std::string> record() const;
    // Removes Gui.bin, as on a machine where the program is missing.
    void removeProgram() const;
    // Creates a file in the folder, for a script waiting on it with "await".
    void touch(const std::string& name) const;
    // Waits, up to timeout seconds, for a file that a script creates with "touch".
    bool waitFor(const std::string& name, int timeoutSeconds = 30) const;

    // The scripted program itself, in the build tree.
    static std::filesystem::path program();

private:
    std::filesystem::path m_path;
};

// The script of a user who types pin into the dialog and confirms it.
std::string pinAnswer(const std::string& pin = "1234");
