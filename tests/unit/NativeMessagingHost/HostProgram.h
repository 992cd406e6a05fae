#pragma once

#include "Child.h"
#include "GuiFolder.h"
#include "JsonValue.h"

#include <memory>
#include <string>

// The real kestrova-host program in a folder of its own, beside the token module and the
// scripted PIN-entry program, driven over its standard streams as a browser drives it.
class HostProgram {
public:
    // slots: the software token's configuration; none by default.
    explicit HostProgram(const std::string& slots = "");

    void send(const std::string& body);
    void sendRaw(const std::string& bytes);
    // The next frame from the host; null at the end of its output.
    FB::NativeMessaging::Json receive();
    // The next result or error, past the callbacks and releases that may come before it.
    FB::NativeMessaging::Json result();

    int pid() const { return static_cast<int>(m_child->get_id()); }
    // The folder of the host, its token module and the scripted PIN-entry program.
    const GuiFolder& folder() const { return m_folder; }

    // Ends the input, as a browser that lets the host go; the program's exit code.
    int finish();

private:
    GuiFolder m_folder;
    std::unique_ptr<process::child> m_child;
};

// A call message for an element, by default "tab1/p1" of https://a.test.
std::string call(int id, const std::string& member, const FB::NativeMessaging::Json& args,
                 const std::string& instance = "tab1/p1",
                 const std::string& origin = "https://a.test");
