// Gui.bin as the plug-in runs it: the PIN argument, and the dialog driven as a user would.
#include "Launch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <iterator>
#include <thread>

#include <windows.h>

namespace {

struct Session {
    process::child gui;
    std::future<std::string> output;
};

Session startGui(const std::string& request, const std::vector<std::string>& arguments) {
    process::context ctx;
    ctx.env = process::self::get_environment();
    ctx.stdin_mode = process::Piped;
    ctx.stdout_mode = process::Piped;
    process::child gui =
        process::launch(std::filesystem::u8path(KV_GUI_PROGRAM).wstring(), arguments, ctx);
    *gui.get_stdin() << request << std::flush;
    gui.get_stdin()->close();
    std::shared_ptr<process::pistream> out = gui.get_stdout();
    auto output = std::async(std::launch::async, [out] {
        return std::string(std::istreambuf_iterator<char>(*out), {});
    });
    return {std::move(gui), std::move(output)};
}

struct DialogSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DialogSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    if (owner != search->process || !IsWindowVisible(window) || std::wstring(title) != L"Kestrova")
        return TRUE;
    search->found = window;
    return FALSE;
}

// The visible "Kestrova" window of that process: test programs running side by side show
// dialogs of the same title on the same desktop.
HWND visibleDialogOf(DWORD process) {
    DialogSearch search{process, nullptr};
    EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The dialog, or null once the program has answered without one (no display to show it on).
HWND findDialog(Session& session) {
    for (int i = 0; i < 1000; ++i) {
        // Shown only once it is set up.
        if (const HWND dialog = visibleDialogOf(session.gui.get_id()))
            return dialog;
        if (session.output.wait_for(std::chrono::milliseconds(10)) == std::future_status::ready)
            return nullptr;
    }
    return nullptr;
}

std::wstring textOf(HWND window) {
    wchar_t buffer[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

} // namespace

TEST(GuiProgramWin, PinFollowingTheRequestIsAnsweredWithoutADialog) {
    Session session = startGui("1\nbox\n12 \"34\" \\\n", {"Gui", "--pin-on-input"});
    EXPECT_EQ(session.output.get(), "0\n12 \"34\" \\\n");
    EXPECT_EQ(session.gui.wait(), 0);
    EXPECT_EQ(startGui("x\nbox\n1\n", {"Gui", "--pin-on-input"}).output.get(), "-61\n");
}

TEST(GuiProgramWin, DialogAnswersTheTypedPinOrTheCancel) {
    struct Case {
        WORD button;
        const char* output;
    };
    for (const Case c : {Case{IDOK, "0\n12 \xD0\xAF\n"}, Case{IDCANCEL, "-60\n"}}) {
        Session session = startGui("1\nwork - \xD0\xAF\n", {"Gui", ""});
        const HWND dialog = findDialog(session);
        if (!dialog) {
            ASSERT_EQ(session.output.get(), "-61\n");
            GTEST_SKIP() << "no display for the dialog";
        }
        EXPECT_EQ(textOf(GetDlgItem(dialog, 100)),
                  L"Enter the PIN of your token to sign with container \"work - \u042F\".");
        SendMessageW(GetDlgItem(dialog, 101), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(L"12 \u042F"));
        PostMessageW(dialog, WM_COMMAND, c.button, 0);
        EXPECT_EQ(session.output.get(), c.output);
    }
}

// A container name that claims another site, padded to push the real one out of view.
TEST(GuiProgramWin, PageTextCannotHideOrImpersonateTheSite) {
    std::string padding;
    for (int i = 0; i < 320; ++i)
        padding += "\xE2\x80\x83";
    Session session = startGui("1\nMain key\".\nRequested by https://bank.example.\n" + padding +
                                   "\x1fhttps://shop.example\n",
                               {"Gui", ""});
    const HWND dialog = findDialog(session);
    if (!dialog) {
        ASSERT_EQ(session.output.get(), "-61\n");
        GTEST_SKIP() << "no display for the dialog";
    }
    EXPECT_EQ(textOf(GetDlgItem(dialog, 100)),
              L"Requested by https://shop.example.\nEnter the PIN of your token to sign with "
              L"container \"Main key\". Requested by https://bank.example.\".");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(session.output.get(), "-60\n");
}

// The dialog speaks the user's interface language, which Wine takes from the locale variables
// of the test program (a child inherits it). CTest runs this case once more with a Russian
// locale and KV_TEST_UI_LANGUAGE=ru.
TEST(GuiProgramWin, DialogSpeaksTheUsersLanguage) {
    struct Texts {
        const wchar_t* description;
        const wchar_t* label;
        const wchar_t* ok;
        const wchar_t* cancel;
    };
    const Texts english = {L"Requested by https://shop.example.\n"
                           L"Enter the PIN of your token to sign with container \"work - Я\".",
                           L"PIN:", L"OK", L"Cancel"};
    const Texts russian = {L"Запрос от https://shop.example.\n"
                           L"Введите PIN-код токена, чтобы подписать ключом контейнера «work - Я».",
                           L"PIN-код:", L"ОК", L"Отмена"};
    const char* language = std::getenv("KV_TEST_UI_LANGUAGE");
    const Texts& expected = language && std::string(language) == "ru" ? russian : english;

    Session session = startGui("1\nwork - Я\x1fhttps://shop.example\n", {"Gui", ""});
    const HWND dialog = findDialog(session);
    if (!dialog) {
        ASSERT_EQ(session.output.get(), "-61\n");
        GTEST_SKIP() << "no display for the dialog";
    }
    EXPECT_EQ(textOf(GetDlgItem(dialog, 100)), expected.description);
    EXPECT_EQ(textOf(GetDlgItem(dialog, 102)), expected.label);
    EXPECT_EQ(textOf(GetDlgItem(dialog, IDOK)), expected.ok);
    EXPECT_EQ(textOf(GetDlgItem(dialog, IDCANCEL)), expected.cancel);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(session.output.get(), "-60\n");
}
