#include "MessageWindow_win.h"

#include "ModuleHandle_win.h"

#include <map>
#include <mutex>
#include <stdexcept>

namespace FB {

namespace {

struct QueuedCall {
    void (*func)(void*);
    void* data;
};

std::mutex windowsMutex;
std::map<HWND, MessageWindow*> windows;
unsigned windowCounter = 0;

} // namespace

MessageWindow::MessageWindow() {
    unsigned number;
    {
        std::lock_guard<std::mutex> lock(windowsMutex);
        number = windowCounter++;
    }
    m_className = L"FBEventWindow" + std::to_wstring(number);
    const std::wstring windowName = L"FBMessageWindow" + std::to_wstring(number);
    const HINSTANCE module = thisModuleHandle();

    WNDCLASSEXW cls{};
    cls.cbSize = sizeof(cls);
    cls.hInstance = module;
    cls.lpfnWndProc = &MessageWindow::WindowProc;
    cls.lpszClassName = m_className.c_str();
    if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("Could not register window class");

    m_window = CreateWindowExW(0, m_className.c_str(), windowName.c_str(), 0, 0, 0, 0, 0,
                               HWND_MESSAGE, nullptr, module, nullptr);
    if (!m_window) {
        UnregisterClassW(m_className.c_str(), module);
        throw std::runtime_error("Could not create Message Window");
    }
    std::lock_guard<std::mutex> lock(windowsMutex);
    windows[m_window] = this;
}

MessageWindow::~MessageWindow() {
    {
        std::lock_guard<std::mutex> lock(windowsMutex);
        windows.erase(m_window);
    }
    // Calls still posted to the window die with it; the hosts' call managers already ran or
    // dropped what they stood for.
    MSG message;
    while (PeekMessageW(&message, m_window, CallMessage, CallMessage, PM_REMOVE))
        delete reinterpret_cast<QueuedCall*>(message.lParam);
    DestroyWindow(m_window);
    UnregisterClassW(m_className.c_str(), thisModuleHandle());
}

bool MessageWindow::Post(void (*func)(void*), void* data) {
    auto* call = new QueuedCall{func, data};
    if (PostMessageW(m_window, CallMessage, 0, reinterpret_cast<LPARAM>(call)))
        return true;
    delete call;
    return false;
}

LRESULT CALLBACK MessageWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == CallMessage) {
        bool owned;
        {
            std::lock_guard<std::mutex> lock(windowsMutex);
            owned = windows.count(window) != 0;
        }
        auto* call = reinterpret_cast<QueuedCall*>(lParam);
        if (owned)
            call->func(call->data);
        delete call;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace FB
