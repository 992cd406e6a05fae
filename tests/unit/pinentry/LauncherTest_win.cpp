#include "CommandLine.h"
#include "Launch.h"

#include "GuiFolder.h"
#include "ScriptedGuiPlatform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::StartsWith;

TEST(LauncherWin, CommandLineQuoting) {
    struct Case {
        std::vector<std::string> arguments;
        std::string line;
    };
    const Case cases[] = {
        {{"Gui", "a b"}, "Gui \"a b\""},
        {{"Gui", "a\"b"}, "Gui a\\\"b"},
        {{"Gui", ""}, "Gui "},
        {{"Gui"}, "Gui"},
        {{"Gui", "a\"b c"}, "Gui \"a\\\"b c\""},
        {{"Gui", "\"\""}, "Gui \\\"\\\""},
        {{"Gui", "tab\there"}, "Gui \"tab\there\""},
        {{"Gui", "c:\\dir\\"}, "Gui c:\\dir\\"},
        {{"Gui", "c:\\my dir\\"}, "Gui \"c:\\my dir\\\\\""},
        {{"Gui", "a\\\"b"}, "Gui a\\\\\\\"b"},
        {{"Gui", "one", "two"}, "Gui one two"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(process::detail::commandLine(c.arguments), c.line);
}

TEST(LauncherWin, ProgramSeesTheCommandLine) {
    GuiFolder gui("");
    process::launch(gui.gui().wstring(), {"Gui", "a b", "x\"y", ""}, process::context()).wait();
    EXPECT_THAT(gui.record(), Contains("cmdline Gui \"a b\" x\\\"y "));
}

TEST(LauncherWin, StartsAtLowIntegrityOrFallsBackSilently) {
    // Where the system cannot lower a token (as under Wine), the program runs at our own
    // level and nothing is reported; either way it runs.
    GuiFolder gui("integrity\nline started\n");
    process::context ctx;
    ctx.stdout_mode = process::Piped;
    process::child child = process::launch(gui.gui().wstring(), {"Gui"}, ctx);
    std::string line;
    std::getline(*child.get_stdout(), line);
    EXPECT_EQ(line, "started");
    EXPECT_EQ(child.wait(), 0);
    const std::string ownLevel = "integrity " + scripted::integrityLevel();
    EXPECT_THAT(gui.record(), AnyOf(Contains("integrity S-1-16-4096"), Contains(ownLevel)));
}

TEST(LauncherWin, EnvironmentBeyondAsciiArrivesIntact) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"KV_WIDE", L"\u042F\u00E9"));
    GuiFolder gui("env\n");
    process::context ctx;
    ctx.env = process::self::get_environment();
    EXPECT_EQ(ctx.env["KV_WIDE"], "\xD0\xAF\xC3\xA9");
    process::launch(gui.gui().wstring(), {"Gui"}, ctx).wait();
    EXPECT_THAT(gui.record(), Contains("env KV_WIDE=\\xD0\\xAF\\xC3\\xA9"));
    SetEnvironmentVariableW(L"KV_WIDE", nullptr);
}

TEST(LauncherWin, MissingProgramMessage) {
    GuiFolder gui("");
    gui.removeProgram();
    try {
        process::launch(gui.gui().wstring(), {"Gui"}, process::context());
        FAIL() << "launch succeeded";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), ERROR_FILE_NOT_FOUND);
        EXPECT_THAT(e.what(),
                    StartsWith("process::detail::win32_start: CreateProcessAsUser failed"));
    }
}
