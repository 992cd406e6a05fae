// Gui.bin as the plug-in runs it, with a fake pinentry in place of GnuPG's.
#include "Launch.h"

#include "GuiFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <thread>
#include <unistd.h>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

struct GuiRun {
    std::string output;              // what Gui.bin answered
    std::string errors;              // what it wrote to standard error
    std::string timeLimit;           // the seconds of SETTIMEOUT, when it was sent
    std::vector<std::string> record; // what the fake pinentry was sent
};

using Environment = std::map<std::string, std::string>;

// The environment Gui.bin runs in: English unless environment sets the locale, no display or
// time limit unless it sets them, the fake pinentry (none when empty: Gui.bin chooses) answering
// with answer and recording what it is sent in recordPath.
process::context guiContext(const std::string& answer, const std::filesystem::path& recordPath,
                            const std::string& pinentry = KV_FAKE_PINENTRY,
                            const Environment& environment = {}) {
    process::context ctx;
    ctx.env = process::self::get_environment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG", "GPG_TTY", "DISPLAY",
                             "WAYLAND_DISPLAY", "KESTROVA_PIN_TIMEOUT", "KESTROVA_PINENTRY"})
        ctx.env.erase(name);
    ctx.env["LOCPATH"] = KV_TEST_LOCALES; // ru_RU.UTF-8, made for the tests
    for (const auto& [name, value] : environment)
        ctx.env[name] = value;
    if (!pinentry.empty())
        ctx.env["KESTROVA_PINENTRY"] = pinentry;
    ctx.env["FAKE_PINENTRY_RECORD"] = recordPath.string();
    ctx.env["FAKE_PINENTRY_ANSWER"] = answer;
    ctx.stdin_mode = process::Piped;
    ctx.stdout_mode = process::Piped;
    ctx.stderr_mode = process::Piped;
    return ctx;
}

process::child launchGui(const std::vector<std::string>& arguments, const process::context& ctx) {
    return process::launch(std::filesystem::path(KV_GUI_PROGRAM).wstring(), arguments, ctx);
}

GuiRun runGui(const std::string& request, const std::string& answer,
              const std::vector<std::string>& arguments = {"Gui"},
              const std::string& pinentry = KV_FAKE_PINENTRY, const Environment& environment = {}) {
    GuiFolder scratch("");
    const std::filesystem::path recordPath = scratch.path() / "pinentry.record";
    process::child gui =
        launchGui(arguments, guiContext(answer, recordPath, pinentry, environment));
    *gui.get_stdin() << request << std::flush;
    gui.get_stdin()->close();
    GuiRun run;
    run.output.assign(std::istreambuf_iterator<char>(*gui.get_stdout()), {});
    run.errors.assign(std::istreambuf_iterator<char>(*gui.get_stderr()), {});
    gui.wait();
    std::ifstream record(recordPath);
    // Terminal options depend on where the test runs; the time limit has a test of its own.
    for (std::string line; std::getline(record, line);) {
        if (line.rfind("SETTIMEOUT ", 0) == 0)
            run.timeLimit = line.substr(11);
        else if (line.rfind("OPTION ", 0) != 0)
            run.record.push_back(line);
    }
    return run;
}

// Polls until done() holds or 20 s have passed; whether it held.
template <typename Condition> bool within20s(Condition done) {
    for (int tries = 0; tries < 400; ++tries) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

// Whether the process runs (one ended but not yet reaped by whoever adopted it does not).
bool running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    const std::size_t state = line.rfind(')') + 2;
    return state < line.size() && line[state] != 'Z' && line[state] != 'X';
}

} // namespace

TEST(GuiProgram, AsksPinentryAndAnswersThePin) {
    const GuiRun run = runGui("1\nwork - key\n", "pin:12%2534 x");
    EXPECT_EQ(run.output, "0\n12%34 x\n");
    EXPECT_THAT(run.record,
                ElementsAre("SETTITLE Kestrova",
                            "SETDESC Enter the PIN of your token to sign with container \"work - "
                            "key\".",
                            "SETPROMPT PIN:", "GETPIN", "BYE"));
}

TEST(GuiProgram, WordingNamesWhatThePinIsFor) {
    const std::pair<const char*, const char*> cases[] = {
        {"0\n\n", "SETDESC Enter the PIN of your token to log in."},
        {"2\nbox\n", "SETDESC Enter the PIN of your token to create container \"box\"."},
        {"3\nbox\n", "SETDESC Enter the PIN of your token to remove container \"box\"."},
        {"4\nbox\n",
         "SETDESC Enter the PIN of your token to derive a session key with container \"box\"."},
        {"9\nbox\n", "SETDESC Enter the PIN of your token."},
        // The asking site follows the last unit separator and comes first, on its own line.
        {"0\n\x1fhttps://shop.example\n",
         "SETDESC Requested by https://shop.example.%0AEnter the PIN of your token to log in."},
        {"1\nbox\x1fhttp://127.0.0.1:8080\n", "SETDESC Requested by http://127.0.0.1:8080.%0AEnter "
                                              "the PIN of your token to sign with container "
                                              "\"box\"."},
        // Whoever wrote the request, a name is one line of visible characters.
        {"1\n100% a\rb\nc\n",
         "SETDESC Enter the PIN of your token to sign with container \"100%25 a b c\"."},
        {"1\nx\x1fy\x1fhttps://shop.example\n",
         "SETDESC Requested by https://shop.example.%0AEnter the PIN of your token to sign with "
         "container \"xy\"."},
    };
    for (const auto& [request, description] : cases)
        EXPECT_THAT(runGui(request, "pin:1").record, Contains(description)) << request;
}

// The spoof a page tried through a container name: a line claiming another site, then padding
// to push the real site past the dialog's cut.
TEST(GuiProgram, PageTextCannotHideOrImpersonateTheSite) {
    std::string padding;
    for (int i = 0; i < 320; ++i)
        padding += "\xE2\x80\x83";
    std::string longName;
    for (int i = 0; i < 600; ++i)
        longName += "\xD0\xAF";
    const std::string longSite = "https://" + std::string(280, 'a') + ".example";
    const std::pair<std::string, std::string> cases[] = {
        {"1\nMain key\".\nRequested by https://bank.example.\n" + padding +
             "\x1fhttps://shop.example\n",
         "SETDESC Requested by https://shop.example.%0AEnter the PIN of your token to sign with "
         "container \"Main key\". Requested by https://bank.example.\"."},
        {"1\n" + longName + "\x1f" + longSite + "\n",
         "SETDESC Requested by " + longSite +
             ".%0AEnter the PIN of your token to sign with "
             "container \"" +
             longName.substr(0, 63 * 2) + "\xE2\x80\xA6\"."},
    };
    for (const auto& [request, description] : cases) {
        const GuiRun run = runGui(request, "pin:1");
        ASSERT_GE(run.record.size(), 2u);
        EXPECT_EQ(run.record[1], description);
        EXPECT_LE(run.record[1].size(), 1000u);
    }
    // A site that cannot be shown whole is not shown at all: no dialog.
    const std::string tooLong = "https://" + std::string(300, 'a') + ".example";
    const GuiRun refused = runGui("1\nbox\x1f" + tooLong + "\n", "pin:1");
    EXPECT_EQ(refused.output, "-61\n");
    EXPECT_THAT(refused.record, IsEmpty());
}

TEST(GuiProgram, OutcomesOfTheDialog) {
    const std::pair<const char*, const char*> cases[] = {
        {"cancel", "-60\n"}, {"error", "-61\n"},     {"die", "-61\n"},
        {"pin:", "0\n\n"},   {"pin:a%0Ab", "-61\n"}, // a PIN with a line feed cannot go back as one
                                                     // line
    };
    for (const auto& [answer, output] : cases)
        EXPECT_EQ(runGui("1\nbox\n", answer).output, output) << answer;
}

TEST(GuiProgram, PinFollowingTheRequestIsAnsweredWithoutADialog) {
    const GuiRun run = runGui("1\nbox\n4321 x\n", "pin:9", {"Gui", "--pin-on-input"});
    EXPECT_EQ(run.output, "0\n4321 x\n");
    EXPECT_THAT(run.record, IsEmpty());
    // Refused as one line cannot carry it back.
    EXPECT_EQ(runGui("1\nbox\n43\n21\n", "pin:9", {"Gui", "--pin-on-input"}).output, "-61\n");
    EXPECT_EQ(runGui("1\nbox\n\n", "pin:9", {"Gui", "--pin-on-input"}).output, "0\n9\n");
    // A PIN on the command line is not taken: the user is asked.
    EXPECT_EQ(runGui("1\nbox\n", "pin:9", {"Gui", "4321"}).output, "0\n9\n");
    EXPECT_EQ(runGui("1\nbox\n", "pin:9", {"Gui", ""}).output, "0\n9\n");
}

TEST(GuiProgram, BadRequestOrMissingPinentryFails) {
    EXPECT_EQ(runGui("x\nbox\n", "pin:9").output, "-61\n");
    EXPECT_EQ(runGui("1\nbox", "pin:9").output, "-61\n");
    EXPECT_EQ(runGui("", "pin:9").output, "-61\n");
    EXPECT_EQ(runGui("1\nbox\n", "pin:9", {"Gui"}, "/nonexistent/pinentry").output, "-61\n");
}

TEST(GuiProgram, SpeaksTheLanguageOfTheLocale) {
    const Environment russian = {{"LANG", "ru_RU.UTF-8"}};
    struct Case {
        Environment environment;
        const char* request;
        const char* description;
        const char* prompt;
    };
    const Case cases[] = {
        {russian, "0\n\n", "SETDESC Введите PIN-код токена, чтобы войти.", "SETPROMPT PIN-код:"},
        {russian, "1\nbox\x1fhttps://shop.example\n",
         "SETDESC Запрос от https://shop.example.%0AВведите PIN-код токена, чтобы подписать "
         "ключом контейнера «box».",
         "SETPROMPT PIN-код:"},
        {russian, "2\nbox\n", "SETDESC Введите PIN-код токена, чтобы создать контейнер «box».",
         "SETPROMPT PIN-код:"},
        {russian, "3\nbox\n", "SETDESC Введите PIN-код токена, чтобы удалить контейнер «box».",
         "SETPROMPT PIN-код:"},
        {russian, "4\nbox\n",
         "SETDESC Введите PIN-код токена, чтобы выработать сеансовый ключ контейнера «box».",
         "SETPROMPT PIN-код:"},
        {russian, "9\nbox\n", "SETDESC Введите PIN-код токена.", "SETPROMPT PIN-код:"},
        // The container's name is shown as it came, never read as a format.
        {russian, "3\n%s %d\n",
         "SETDESC Введите PIN-код токена, чтобы удалить контейнер «%25s %25d».",
         "SETPROMPT PIN-код:"},
        // The usual order of the locale variables, and GNU's LANGUAGE list.
        {{{"LC_ALL", "ru_RU.UTF-8"}, {"LANG", "en_US.UTF-8"}},
         "0\n\n",
         "SETDESC Введите PIN-код токена, чтобы войти.",
         "SETPROMPT PIN-код:"},
        {{{"LC_MESSAGES", "ru_RU.UTF-8"}},
         "0\n\n",
         "SETDESC Введите PIN-код токена, чтобы войти.",
         "SETPROMPT PIN-код:"},
        {{{"LANGUAGE", "de:ru"}, {"LANG", "C.UTF-8"}},
         "0\n\n",
         "SETDESC Введите PIN-код токена, чтобы войти.",
         "SETPROMPT PIN-код:"},
        // Languages without a catalog fall back to English.
        {{{"LANGUAGE", "fr"}, {"LANG", "C.UTF-8"}},
         "0\n\n",
         "SETDESC Enter the PIN of your token to log in.",
         "SETPROMPT PIN:"},
        {{{"LC_ALL", "en_US.UTF-8"}, {"LANG", "ru_RU.UTF-8"}},
         "0\n\n",
         "SETDESC Enter the PIN of your token to log in.",
         "SETPROMPT PIN:"},
        // A locale the system does not have is the "C" locale, whose texts are English.
        {{{"LANG", "ru_UA.KOI8-U"}},
         "0\n\n",
         "SETDESC Enter the PIN of your token to log in.",
         "SETPROMPT PIN:"},
    };
    for (const Case& c : cases) {
        const GuiRun run = runGui(c.request, "pin:1", {"Gui"}, KV_FAKE_PINENTRY, c.environment);
        EXPECT_THAT(run.record,
                    ElementsAre("SETTITLE Kestrova", c.description, c.prompt, "GETPIN", "BYE"))
            << c.request << " " << c.environment.begin()->second;
    }
}

#ifdef __linux__
// The plug-in ends Gui.bin when the page that asked goes away: the dialog must go with it, or
// the user would be left with a PIN request no one waits for.
TEST(GuiProgram, DialogEndsWithTheProgram) {
    GuiFolder scratch("");
    const std::filesystem::path pidPath = scratch.path() / "pinentry.pid";
    process::child gui = launchGui(
        {"Gui"}, guiContext("wait:" + pidPath.string(), scratch.path() / "pinentry.record"));
    *gui.get_stdin() << "0\n\n" << std::flush;
    gui.get_stdin()->close();
    pid_t pinentry = 0;
    ASSERT_TRUE(within20s([&] {
        std::ifstream file(pidPath);
        return bool(file >> pinentry);
    })) << "the dialog did not open";
    EXPECT_TRUE(running(pinentry));
    gui.terminate();
    gui.wait();
    EXPECT_TRUE(within20s([&] { return !running(pinentry); })) << "the dialog outlived Gui.bin";
}
#endif

// Without KESTROVA_PINENTRY, Gui.bin picks the pinentry itself: a graphical one where there is a
// display, else a text one where there is a terminal, and says why when there is none.
TEST(GuiProgram, ChoosesAPinentryForTheDesktop) {
    struct Case {
        const char* what;
        Environment environment;
        std::vector<std::string> installed;
        const char* ran; // the program that ran, or nullptr when none could
        const char* reason;
    };
    const Environment x11 = {{"DISPLAY", ":9"}, {"GPG_TTY", "/dev/null"}};
    const Environment terminalOnly = {{"GPG_TTY", "/dev/null"}};
    const std::vector<Case> cases = {
        {"X11 and a terminal: graphical first",
         x11,
         {"pinentry-curses", "pinentry-gtk-2"},
         "pinentry-gtk-2",
         ""},
        {"Wayland: GNOME's first",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"GPG_TTY", "/dev/null"}},
         {"pinentry-qt", "pinentry-gnome3", "pinentry"},
         "pinentry-gnome3",
         ""},
        {"a terminal alone",
         terminalOnly,
         {"pinentry-gtk-2", "pinentry-curses"},
         "pinentry-curses",
         ""},
        {"a display with only a text pinentry and a terminal",
         x11,
         {"pinentry-curses"},
         "pinentry-curses",
         ""},
        {"Debian's alternative as the last resort", terminalOnly, {"pinentry"}, "pinentry", ""},
        {"nothing installed",
         x11,
         {},
         nullptr,
         "no pinentry is installed (tried pinentry-gnome3, pinentry-gtk-2"},
        {"a name in KESTROVA_PINENTRY that is not there",
         {{"KESTROVA_PINENTRY", "pinentry-nowhere"}, {"GPG_TTY", "/dev/null"}},
         {"pinentry-curses"},
         nullptr,
         "KESTROVA_PINENTRY names pinentry-nowhere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GuiFolder bin("");
        // Each stand-in names itself in the record, then speaks as the fake pinentry.
        for (const std::string& name : c.installed) {
            const std::filesystem::path program = bin.path() / name;
            std::ofstream(program) << "#!/bin/sh\necho " << name
                                   << " >> \"$FAKE_PINENTRY_RECORD\"\nexec " KV_FAKE_PINENTRY "\n";
            std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        }
        Environment environment = c.environment;
        environment["PATH"] = bin.path().string();
        const GuiRun run = runGui("0\n\n", "pin:1", {"Gui"}, "", environment);
        if (c.ran) {
            EXPECT_EQ(run.output, "0\n1\n");
            ASSERT_FALSE(run.record.empty());
            EXPECT_EQ(run.record.front(), c.ran);
        } else {
            EXPECT_EQ(run.output, "-61\n");
            EXPECT_THAT(run.errors, ::testing::HasSubstr(c.reason));
        }
    }
}

// The dialog does not wait for ever: two minutes unless KESTROVA_PIN_TIMEOUT says otherwise (0:
// no limit), and a dialog that times out answers as a cancelled one, saying why.
TEST(GuiProgram, DialogHasATimeLimit) {
    const std::pair<const char*, const char*> limits[] = {
        {"", "120"}, {"30", "30"}, {"0", ""}, {"soon", "120"}, {"-5", "120"}};
    for (const auto& [setting, sent] : limits) {
        Environment environment;
        if (*setting)
            environment["KESTROVA_PIN_TIMEOUT"] = setting;
        EXPECT_EQ(runGui("0\n\n", "pin:1", {"Gui"}, KV_FAKE_PINENTRY, environment).timeLimit, sent)
            << setting;
    }
    const GuiRun run = runGui("0\n\n", "timeout");
    EXPECT_EQ(run.output, "-60\n");
    EXPECT_THAT(run.errors, ::testing::HasSubstr("no answer within 120 s"));
}
