#pragma once

#include "MessageWindow_win.h"
#include "NpapiBrowserHost.h"

namespace FB::Npapi {

// The Windows host: queued calls wake the main thread through a hidden message window of its
// own rather than the browser's thread-call service.
class NpapiBrowserHostAsyncWin : public NpapiBrowserHost {
public:
    explicit NpapiBrowserHostAsyncWin(NPP instance) : NpapiBrowserHost(instance) {}

    bool PostToMainThread(void (*func)(void*), void* data) override {
        return !IsShutDown() && m_messageWindow.Post(func, data);
    }

    HWND MessageWindow() const { return m_messageWindow.Handle(); }
    const std::wstring& ClassName() const { return m_messageWindow.ClassName(); }

private:
    FB::MessageWindow m_messageWindow;
};

} // namespace FB::Npapi
