#include "PinDialog.h"

#include "Assuan.h"
#include "Launch.h"
#include "Messages.h"
#include "SecureWipe.h"
#include "Utf.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

// Description lines stay well within Assuan's 1000 bytes with the command in front.
constexpr std::size_t maxDescription = 900;

// The first of names found in PATH (a name holding a slash is taken as it is); empty when none.
std::string findProgram(const std::vector<std::string>& names) {
    const char* path = std::getenv("PATH");
    const std::string directories = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (const std::string& name : names) {
        if (name.find('/') != std::string::npos)
            return name;
        for (std::size_t start = 0;;) {
            const std::size_t end = directories.find(':', start);
            const std::string directory = directories.substr(start, end - start);
            const std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    return {};
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

// How long the dialog waits for the user: KESTROVA_PIN_TIMEOUT seconds (0: no limit), else
// two minutes.
long dialogSeconds() {
    const char* text = std::getenv("KESTROVA_PIN_TIMEOUT");
    if (!text || !*text)
        return 120;
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    return *end == '\0' && seconds >= 0 ? seconds : 120;
}

bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

// A text-mode pinentry needs a terminal: the one GnuPG is told of, else ours, if any.
std::string terminalName() {
    if (const char* tty = std::getenv("GPG_TTY"))
        return tty;
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    return "/dev/tty";
}

// The pinentry program: the one KESTROVA_PINENTRY names, else, with a display, the first
// graphical one installed (a browser started from a terminal would otherwise ask in that
// terminal, where no one looks), else a text one where there is a terminal to ask on. Throws
// with the reason when there is none to run.
std::string pinentryProgram() {
    if (const char* chosen = std::getenv("KESTROVA_PINENTRY"); chosen && *chosen) {
        const std::string program = findProgram({chosen});
        if (program.empty())
            throw std::runtime_error(std::string("KESTROVA_PINENTRY names ") + chosen +
                                     ", which is not in PATH");
        return program;
    }
    const std::vector<std::string> graphical = {"pinentry-gnome3", "pinentry-gtk-2", "pinentry-qt",
                                                "pinentry-fltk", "pinentry-x11"};
    const std::vector<std::string> text = {"pinentry-curses", "pinentry-tty", "pinentry"};
    const bool display = hasDisplay();
    if (display)
        if (std::string program = findProgram(graphical); !program.empty())
            return program;
    if (terminalName().empty())
        throw std::runtime_error(display ? "no graphical pinentry is installed (tried " +
                                               joined(graphical) + ")"
                                         : "there is neither a display nor a terminal to ask on");
    if (std::string program = findProgram(text); !program.empty())
        return program;
    throw std::runtime_error("no pinentry is installed (tried " +
                             (display ? joined(graphical) + ", " : std::string()) + joined(text) +
                             ")");
}

#ifdef __linux__
// Gui.bin starts the pinentry through a second copy of itself, started with this argument, the
// id of its parent and the pinentry's path: it asks the kernel to end it when that parent ends
// and then becomes the pinentry. The plug-in ends Gui.bin when the page goes, and so ends the
// dialog with it, whatever the pinentry is.
constexpr const char* kPinentryRole = "--pinentry-ending-with";

std::vector<std::string> pinentryCommand(const std::string& program, std::wstring& path) {
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        throw std::runtime_error("the program's own path is unknown");
    path = utf8ToWide(std::string(self, static_cast<std::size_t>(length)));
    return {"Gui", kPinentryRole, std::to_string(::getpid()), program};
}
#else
std::vector<std::string> pinentryCommand(const std::string& program, std::wstring& path) {
    path = utf8ToWide(program);
    return {"pinentry"};
}
#endif

} // namespace

void becomeDialogHelperWhenAsked([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
#ifdef __linux__
    if (argc != 4 || std::strcmp(argv[1], kPinentryRole) != 0)
        return;
    // Checked after the request, so a parent that ended in between is seen too.
    const long parent = std::strtol(argv[2], nullptr, 10);
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent)
        ::_exit(127);
    ::execl(argv[3], "pinentry", static_cast<char*>(nullptr));
    ::_exit(127);
#endif
}

bool askPin(const std::string& description, std::string& pin) {
    process::context ctx;
    ctx.env = process::self::get_environment();
    ctx.stdin_mode = process::Piped;
    ctx.stdout_mode = process::Piped;
    ctx.stderr_mode = process::NullDevice;
    const std::string program = pinentryProgram();
    std::wstring path;
    const std::vector<std::string> command = pinentryCommand(program, path);
    process::child pinentry = process::launch(path, command, ctx);
    process::postream& commands = *pinentry.get_stdin();
    process::pistream& replies = *pinentry.get_stdout();
    const auto failures = std::ios::failbit | std::ios::badbit | std::ios::eofbit;
    commands.exceptions(failures);
    replies.exceptions(failures);

    assuan::Client client(commands, replies);
    client.greet();
    // An older pinentry that knows no time limit refuses it: then there is none.
    const long seconds = dialogSeconds();
    if (seconds > 0)
        client.transact("SETTIMEOUT " + std::to_string(seconds));
    if (const std::string tty = terminalName(); !tty.empty())
        client.transact("OPTION ttyname=" + assuan::escape(tty, maxDescription));
    if (const char* term = std::getenv("TERM"))
        client.transact("OPTION ttytype=" + assuan::escape(term, maxDescription));
    client.require("SETTITLE Kestrova");
    client.require("SETDESC " + assuan::escape(description, maxDescription));
    client.require("SETPROMPT " + assuan::escape(translate("PIN:"), maxDescription));
    assuan::Reply reply = client.transact("GETPIN");
    const bool entered = reply.ok;
    if (entered)
        pin.swap(reply.data);
    secureWipe(reply.data);
    if (!entered && assuan::isTimeout(reply.error))
        std::fprintf(stderr, "Gui.bin: the PIN dialog got no answer within %ld s\n", seconds);
    else if (!entered && !assuan::isCancel(reply.error))
        throw std::runtime_error(program + " failed: " + reply.message);

    // The answer is settled; a pinentry that leaves untidily does not change it.
    try {
        client.transact("BYE");
        commands.close();
        pinentry.wait();
    } catch (const std::exception&) {
    }
    return entered;
}
