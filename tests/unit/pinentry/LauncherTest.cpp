#include "Launch.h"

#include "GuiFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iterator>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

std::vector<std::string> linesStartingWith(const std::vector<std::string>& record,
                                           const std::string& prefix) {
    std::vector<std::string> result;
    for (const std::string& line : record)
        if (line.rfind(prefix, 0) == 0)
            result.push_back(line);
    return result;
}

std::string readAll(std::istream& in) {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(Launcher, NewContextHasCurrentDirectoryNoEnvironmentNoStreams) {
    const process::context ctx;
    EXPECT_EQ(ctx.work_directory, std::filesystem::current_path().wstring());
    EXPECT_TRUE(ctx.env.empty());
    EXPECT_EQ(ctx.stdin_mode, process::Closed);
    EXPECT_EQ(ctx.stdout_mode, process::Closed);
    EXPECT_EQ(ctx.stderr_mode, process::Closed);
}

TEST(Launcher, EnvironmentIsSplitAtTheFirstEqualsSign) {
    process::environment env;
    process::detail::addEnvironmentEntry(env, "A=1=2");
    process::detail::addEnvironmentEntry(env, "=C:=C:\\dir");
    process::detail::addEnvironmentEntry(env, "A=second");
    process::detail::addEnvironmentEntry(env, "B=");
    EXPECT_EQ(env, (process::environment{{"A", "1=2"}, {"", "C:=C:\\dir"}, {"B", ""}}));
}

TEST(Launcher, ChildGetsExactlyTheGivenEnvironment) {
    GuiFolder gui("env\n");
    process::context ctx;
    ctx.env = {{"KV_ONE", "1"}, {"KV_TWO", "a=b c"}, {"KV_EMPTY", ""}};
    EXPECT_EQ(process::launch(gui.gui().wstring(), {"Gui"}, ctx).wait(), 0);
    EXPECT_THAT(linesStartingWith(gui.record(), "env KV_"),
                ElementsAre("env KV_EMPTY=", "env KV_ONE=1", "env KV_TWO=a=b c"));
}

TEST(Launcher, ChildGetsOwnEnvironmentOfTheParentWhenAsked) {
    GuiFolder gui("env\n");
    process::context ctx;
    ctx.env = process::self::get_environment();
    ASSERT_FALSE(ctx.env.empty());
    process::launch(gui.gui().wstring(), {"Gui"}, ctx).wait();
    EXPECT_THAT(gui.record(), Contains(StartsWith("env ")));
}

TEST(Launcher, ChildRunsInTheWorkDirectory) {
    GuiFolder gui("cwd\n");
    GuiFolder other("");
    process::context ctx;
    ctx.work_directory = other.wide();
    process::launch(gui.gui().wstring(), {"Gui"}, ctx).wait();
    const std::vector<std::string> cwd = linesStartingWith(gui.record(), "cwd ");
    ASSERT_EQ(cwd.size(), 1u);
    EXPECT_TRUE(
        std::filesystem::equivalent(std::filesystem::u8path(cwd[0].substr(4)), other.path()));
}

TEST(Launcher, ArgumentsArriveIntact) {
    GuiFolder gui("");
    process::context ctx;
    process::launch(gui.gui().wstring(), {"Gui", "two words", "q\"uote", "back\\slash \\", "x"},
                    ctx)
        .wait();
    EXPECT_THAT(gui.record(), IsSupersetOf({"arg 0 Gui", "arg 1 two words", "arg 2 q\"uote",
                                            "arg 3 back\\\\slash \\\\", "arg 4 x", "args 5"}));
}

TEST(Launcher, StreamModesGiveTheChildItsHandles) {
    struct Case {
        process::stream_mode in, out, err;
        std::vector<std::string> handles;
    };
    const Case cases[] = {
        {process::Closed,
         process::Closed,
         process::Closed,
         {"handle 0 closed", "handle 1 closed", "handle 2 closed"}},
        {process::NullDevice,
         process::NullDevice,
         process::NullDevice,
         {"handle 0 open", "handle 1 open", "handle 2 open"}},
        {process::Piped,
         process::Piped,
         process::ToStdout,
         {"handle 0 open", "handle 1 open", "handle 2 open"}},
        {process::ToStdout,
         process::Closed,
         process::ToStdout,
         {"handle 0 closed", "handle 1 closed", "handle 2 closed"}},
        {process::Closed,
         process::NullDevice,
         process::Piped,
         {"handle 0 closed", "handle 1 open", "handle 2 open"}},
    };
    GuiFolder gui("handles\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.in << c.out << c.err);
        std::filesystem::remove(gui.path() / "Gui.record");
        process::context ctx;
        ctx.stdin_mode = c.in;
        ctx.stdout_mode = c.out;
        ctx.stderr_mode = c.err;
        process::child child = process::launch(gui.gui().wstring(), {"Gui"}, ctx);
        EXPECT_EQ(child.get_stdin() != nullptr, c.in == process::Piped);
        EXPECT_EQ(child.get_stdout() != nullptr, c.out == process::Piped);
        EXPECT_EQ(child.get_stderr() != nullptr, c.err == process::Piped);
        child.wait();
        EXPECT_EQ(linesStartingWith(gui.record(), "handle "), c.handles);
    }
}

TEST(Launcher, ClosingStandardInputEndsTheChildsInput) {
    GuiFolder gui("read\nline done\n");
    process::context ctx;
    ctx.stdin_mode = process::Piped;
    ctx.stdout_mode = process::Piped;
    process::child child = process::launch(gui.gui().wstring(), {"Gui"}, ctx);
    *child.get_stdin() << "first\nsecond" << std::flush;
    child.get_stdin()->close();
    EXPECT_EQ(readAll(*child.get_stdout()), "done\n");
    EXPECT_EQ(child.wait(), 0);
    EXPECT_THAT(linesStartingWith(gui.record(), "stdin"),
                ElementsAre("stdin first", "stdin-unterminated second", "stdin-end"));
}

TEST(Launcher, OutputIsReadToTheEndAfterTheChildExited) {
    const std::string big(3 * 8192 + 5, 'b');
    GuiFolder gui("raw " + big + "\nline\nraw tail\nexit 7\n");
    process::context ctx;
    ctx.stdout_mode = process::Piped;
    process::child child = process::launch(gui.gui().wstring(), {"Gui"}, ctx);
    // Bigger than a pipe's buffer on some systems: read while waiting would deadlock, so the
    // child is only waited for after the data, as a caller must.
    EXPECT_EQ(readAll(*child.get_stdout()), big + "\ntail");
    EXPECT_EQ(child.wait(), 7);
    EXPECT_EQ(child.wait(), 7);
}

TEST(Launcher, SmallOutputIsThereAfterExit) {
    GuiFolder gui("line hello\\r\n");
    process::context ctx;
    ctx.stdout_mode = process::Piped;
    process::child child = process::launch(gui.gui().wstring(), {"Gui"}, ctx);
    EXPECT_EQ(child.wait(), 0);
    EXPECT_EQ(readAll(*child.get_stdout()), "hello\r\n");
}

TEST(Launcher, WritingToAChildThatIsGoneFailsTheStream) {
    GuiFolder gui("exit 0\n");
    process::context ctx;
    ctx.stdin_mode = process::Piped;
    process::child child = process::launch(gui.gui().wstring(), {"Gui"}, ctx);
    child.wait();
    process::postream& in = *child.get_stdin();
    in << std::string(100000, 'z') << std::flush;
    EXPECT_TRUE(in.bad());
}

TEST(Launcher, MissingProgramIsASystemError) {
    GuiFolder gui("");
    gui.removeProgram();
    process::context ctx;
    ctx.stdin_mode = process::Piped;
    try {
        process::launch(gui.gui().wstring(), {"Gui"}, ctx);
        FAIL() << "launch succeeded";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().category(), std::system_category());
        EXPECT_NE(e.code().value(), 0);
        EXPECT_THAT(e.what(), StartsWith("process::detail::"));
    }
}
