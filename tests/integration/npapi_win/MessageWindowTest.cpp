#include "NpapiWinHost.h"

#include <string>
#include <vector>

namespace {

// A message-only window of the plug-in's on this thread: the numbers after its class and
// window names.
struct PluginWindow {
    HWND window;
    std::wstring classSuffix;
    std::wstring nameSuffix;
};

std::wstring suffix(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size())
                                                       : L"<" + text + L">";
}

std::vector<PluginWindow> pluginWindows() {
    std::vector<PluginWindow> found;
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
        wchar_t className[256] = {};
        wchar_t name[256] = {};
        GetClassNameW(window, className, 256);
        GetWindowTextW(window, name, 256);
        const std::wstring classText = className;
        if (classText.compare(0, 13, L"FBEventWindow") != 0 ||
            GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
            continue;
        found.push_back(
            {window, suffix(classText, L"FBEventWindow"), suffix(name, L"FBMessageWindow")});
    }
    return found;
}

using MessageWindow = NpapiWinHost;

// Each element has a window of its own, and the element that goes takes only its own.
TEST_F(MessageWindow, OnePerInstance) {
    EXPECT_TRUE(pluginWindows().empty());
    NPP_t second{};
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    ASSERT_EQ(newInstance({}, &second), NPERR_NO_ERROR);

    const std::vector<PluginWindow> windows = pluginWindows();
    ASSERT_EQ(windows.size(), 2u);
    for (const PluginWindow& w : windows) {
        EXPECT_FALSE(w.classSuffix.empty());
        EXPECT_EQ(w.classSuffix.find_first_not_of(L"0123456789"), std::wstring::npos);
        EXPECT_EQ(w.classSuffix, w.nameSuffix);
    }
    EXPECT_NE(windows[0].classSuffix, windows[1].classSuffix);

    NPObject* secondObject = scriptable(&second);
    ASSERT_NE(secondObject, nullptr);
    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    EXPECT_EQ(pluginWindows().size(), 1u);

    // The remaining element still gets its results.
    PageFunction success;
    PageValue returned;
    ASSERT_TRUE(invoke(secondObject, "kvwGetDeviceID", {success.variant()}, &returned));
    EXPECT_EQ(returned.integer, 0);
    ASSERT_TRUE(pumpUntil([&] { return !success.calls().empty(); }));
    EXPECT_EQ(success.calls()[0].thread, mainThread);

    ASSERT_EQ(destroyInstance(&second), NPERR_NO_ERROR);
    EXPECT_TRUE(pluginWindows().empty());
}

} // namespace
