#include "inputPin.h"

#include "Context.h"
#include "Exception.h"
#include "GuiFolder.h"
#include "RecordText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using ::testing::Not;

namespace {

struct Failure {
    std::int32_t code;
    std::string context;
};

// The code and context of the Exception that inputPin raised; a failure of the test if none.
Failure failureOf(const std::wstring& folder, const std::string& argument = "") {
    try {
        inputPin(folder, 1, "box", argument);
    } catch (const Exception& e) {
        return {e.code(), e.context()};
    }
    ADD_FAILURE() << "inputPin did not fail";
    return {0, ""};
}

struct AnswerCase {
    const char* name;
    const char* script;
    const char* pin;   // the PIN expected, or nullptr when the exchange fails
    std::int32_t code; // the failure expected otherwise
    const char* context;
};

const AnswerCase answerCases[] = {
    {"CRLF lines", "read\nline 0\\r\nline 1234\\r\n", "1234", 0, ""},
    {"LF lines", "read\nline 0\nline 1234\n", "1234", 0, ""},
    {"plus sign", "read\nline +0\nline 1234\n", "1234", 0, ""},
    {"minus zero", "read\nline -0\nline 1234\n", "1234", 0, ""},
    {"empty PIN", "read\nline 0\nline\n", "", 0, ""},
    {"one CR only", "read\nline 0\nline 12\\r\\r\n", "12\r", 0, ""},
    {"blanks kept in PIN", "read\nline 0\nline  1 2 \n", " 1 2 ", 0, ""},
    {"lines after PIN unread", "read\nline 0\nline 77\nline more\nline 0\n", "77", 0, ""},
    {"slow answer", "read\nsleep 300\nline 0\nsleep 300\nline 9\nsleep 300\n", "9", 0, ""},
    {"status -3", "read\nline -3\nline 1234\n", nullptr, -3, "inputPin"},
    {"positive status", "read\nline 17\n", nullptr, 17, "inputPin"},
    {"lowest status", "read\nline -2147483648\n", nullptr, INT32_MIN, "inputPin"},
    {"status then exit", "read\nline -60\nexit 1\n", nullptr, -60, "inputPin"},
    {"status only", "read\nline 0\n", nullptr, -50, "loadGui"},
    {"empty answer", "read\n", nullptr, -50, "loadGui"},
    {"PIN without line feed", "read\nline 0\nraw 1234\n", nullptr, -50, "loadGui"},
    {"status without line feed", "read\nraw 0\n", nullptr, -50, "loadGui"},
    {"blank before status", "read\nline  0\nline 1\n", nullptr, -50, "loadGui"},
    {"blank after status", "read\nline 0 \nline 1\n", nullptr, -50, "loadGui"},
    {"hexadecimal status", "read\nline 0x0\nline 1\n", nullptr, -50, "loadGui"},
    {"empty status", "read\nline\nline 1\n", nullptr, -50, "loadGui"},
    {"sign alone", "read\nline -\nline 1\n", nullptr, -50, "loadGui"},
    {"status out of range", "read\nline 2147483648\nline 1\n", nullptr, -50, "loadGui"},
    {"status far out of range", "read\nline 99999999999999999999\n", nullptr, -50, "loadGui"},
    {"exit without answer", "exit 0\n", nullptr, -50, "loadGui"},
    {"exit after reading", "read\nexit 2\n", nullptr, -50, "loadGui"},
    {"endless status line", "read\nflood\n", nullptr, -50, "loadGui"},
    {"endless PIN line", "read\nline 0\nflood\n", nullptr, -50, "loadGui"},
};

} // namespace

TEST(InputPin, AnswersOfTheProgram) {
    GuiFolder gui("");
    for (const AnswerCase& c : answerCases) {
        SCOPED_TRACE(c.name);
        gui.setScript(c.script);
        if (c.pin) {
            EXPECT_EQ(inputPin(gui.wide(), 1, "box", ""), c.pin);
        } else {
            const Failure failure = failureOf(gui.wide());
            EXPECT_EQ(failure.code, c.code);
            EXPECT_EQ(failure.context, c.context);
        }
    }
}

TEST(InputPin, SendsModeAndText) {
    GuiFolder gui("read\nline 0\nline 1\n");
    ASSERT_EQ(inputPin(gui.wide(), -5, "My box - \xD0\xAF \"q\"", ""), "1");
    const std::vector<std::string> record = gui.record();
    EXPECT_THAT(record, Contains("arg 0 Gui"));
    EXPECT_THAT(record, Not(Contains("arg 1 --pin-on-input")));
    EXPECT_THAT(record, IsSupersetOf({"stdin -5", "stdin My box - \\xD0\\xAF \"q\"", "stdin-end"}));
}

std::vector<std::string> inputLines(const std::vector<std::string>& record) {
    std::vector<std::string> input;
    for (const std::string& line : record)
        if (line.rfind("stdin", 0) == 0)
            input.push_back(line);
    return input;
}

TEST(InputPin, RequestIsExactlyTwoLines) {
    GuiFolder gui("read\nline 0\nline 1\n");
    inputPin(gui.wide(), 0, "", "");
    EXPECT_THAT(inputLines(gui.record()), ElementsAre("stdin 0", "stdin ", "stdin-end"));
}

// Any local user reads a process's command line: the page's PIN follows the request on the
// program's input instead, and the command line only says so.
TEST(InputPin, PagesPinFollowsTheRequestNeverOnTheCommandLine) {
    GuiFolder gui("read\nline 0\nline 1\n");
    inputPin(gui.wide(), 1, "box", "a \"b\" c\\");
    const std::vector<std::string> record = gui.record();
    EXPECT_THAT(record, IsSupersetOf({"arg 0 Gui", "arg 1 --pin-on-input", "args 2"}));
    EXPECT_THAT(inputLines(record),
                ElementsAre("stdin 1", "stdin box", "stdin a \"b\" c\\\\", "stdin-end"));
}

TEST(InputPin, RunsInItsFolderWithThePluginsEnvironment) {
    GuiFolder gui("read\ncwd\nenv\nline 0\nline 1\n");
    inputPin(gui.wide() + L"/", 2, "box", "");
    const std::vector<std::string> record = gui.record();
    for (const auto& [name, value] : process::self::get_environment()) {
        if (!name.empty()) {
            EXPECT_THAT(record, Contains("env " + scripted::escape(name + "=" + value)));
        }
    }
    std::string cwd;
    for (const std::string& line : record)
        if (line.rfind("cwd ", 0) == 0)
            cwd = line.substr(4);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::u8path(cwd), gui.path())) << cwd;
}

TEST(InputPin, MissingProgramFailsWithLoadGui) {
    GuiFolder gui("line 0\nline 1\n");
    gui.removeProgram();
    const Failure failure = failureOf(gui.wide());
    EXPECT_EQ(failure.code, -50);
    EXPECT_EQ(failure.context, "loadGui");
    const Failure noFolder = failureOf(gui.wide() + L"/absent");
    EXPECT_EQ(noFolder.code, -50);
}

TEST(InputPin, SecondExchangeIsRefusedWhileTheFirstWaits) {
    GuiFolder first("read\ntouch started\nawait go\nline 0\nline 1111\n");
    GuiFolder second("read\nline 0\nline 2222\n");
    auto running =
        std::async(std::launch::async, [&] { return inputPin(first.wide(), 0, "", ""); });
    ASSERT_TRUE(first.waitFor("started"));

    const Failure refused = failureOf(second.wide());
    EXPECT_EQ(refused.code, -12);
    EXPECT_EQ(refused.context, "Gui");
    EXPECT_TRUE(second.record().empty()) << "the refused exchange started the program";

    first.touch("go");
    EXPECT_EQ(running.get(), "1111");
    EXPECT_EQ(inputPin(second.wide(), 0, "", ""), "2222");
}
