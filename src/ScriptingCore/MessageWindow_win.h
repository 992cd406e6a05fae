#pragma once

#include <windows.h>

#include <string>

namespace FB {

// A hidden message-only window of the main thread through which other threads have a function
// run there: the way the Windows hosts wake the browser's main thread. Each window has a class
// of its own, named with a process-wide counter.
class MessageWindow {
public:
    // Throws std::runtime_error "Could not register window class" or "Could not create Message
    // Window".
    MessageWindow();
    // Calls still posted to the window are dropped with it.
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // Has func(data) called on the window's thread; false when the message cannot be posted.
    // Safe from any thread.
    bool Post(void (*func)(void*), void* data);

    HWND Handle() const { return m_window; }
    const std::wstring& ClassName() const { return m_className; }

    // The message that carries a call.
    static constexpr UINT CallMessage = WM_USER + 1;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::wstring m_className;
    HWND m_window = nullptr;
};

} // namespace FB
