#include "Launch.h"

#include "GuiFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <thread>
#include <unistd.h>

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

// 'Z' for a zombie, ' ' once the process is gone altogether.
char processState(std::uint32_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return ' ';
    const std::size_t paren = line.rfind(')');
    return paren + 2 < line.size() ? line[paren + 2] : '?';
}

bool disappears(std::uint32_t pid) {
    for (int i = 0; i < 1000 && processState(pid) != ' '; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return processState(pid) == ' ';
}

} // namespace

TEST(LauncherPosix, ChildInheritsNoOtherDescriptor) {
    GuiFolder gui("handles\n");
    // Left open without close-on-exec, as a careless part of the host might.
    const int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 0);
    process::context ctx;
    ctx.stdin_mode = process::Piped;
    ctx.stdout_mode = process::Piped;
    ctx.stderr_mode = process::Piped;
    process::child child = process::launch(gui.gui().wstring(), {"Gui"}, ctx);
    child.get_stdin()->close();
    child.wait();
    ::close(leaked);
    std::vector<std::string> others;
    for (const std::string& line : gui.record())
        if (line.rfind("fd ", 0) == 0)
            others.push_back(line);
    EXPECT_THAT(others, IsEmpty());
}

TEST(LauncherPosix, ChildThatNobodyWaitsForIsReaped) {
    GuiFolder gui("read\nsleep 200\n");
    std::uint32_t running = 0;
    std::uint32_t ended = 0;
    {
        process::context ctx;
        ctx.stdin_mode = process::Piped;
        process::child child = process::launch(gui.gui().wstring(), {"Gui"}, ctx);
        running = child.get_id();
    }
    {
        GuiFolder quick("");
        process::context ctx;
        ctx.stdout_mode = process::Piped;
        process::child child = process::launch(quick.gui().wstring(), {"Gui"}, ctx);
        ended = child.get_id();
        // Its output ends when it exits; let it become a zombie before the child goes.
        std::string rest((std::istreambuf_iterator<char>(*child.get_stdout())), {});
        for (int i = 0; i < 500 && processState(ended) != 'Z'; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(disappears(ended));
    EXPECT_TRUE(disappears(running));
}

TEST(LauncherPosix, MissingProgramMessage) {
    GuiFolder gui("");
    gui.removeProgram();
    try {
        process::launch(gui.gui().wstring(), {"Gui"}, process::context());
        FAIL() << "launch succeeded";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), ENOENT);
        EXPECT_THAT(e.what(), StartsWith("process::detail::posix_start: posix_spawn failed"));
    }
}

TEST(LauncherPosix, MissingWorkDirectoryFailsTheLaunch) {
    GuiFolder gui("");
    process::context ctx;
    ctx.work_directory = gui.wide() + L"/absent";
    EXPECT_THROW(process::launch(gui.gui().wstring(), {"Gui"}, ctx), std::system_error);
}
