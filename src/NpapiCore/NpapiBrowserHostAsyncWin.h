#pragma once

#include "NpapiBrowserHost.h"

#include <windows.h>

namespace FB::Npapi {

// The Windows host: queued calls wake the main thread through a hidden message window of its
// own rather than the browser's thread-call service.
class NpapiBrowserHostAsyncWin : public NpapiBrowserHost {
public:
    explicit NpapiBrowserHostAsyncWin(NPP instance);
    ~NpapiBrowserHostAsyncWin() override;

    bool PostToMainThread(void (*func)(void*), void* data) override;

    HWND MessageWindow() const { return m_window; }
    const std::wstring& ClassName() const { return m_className; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::wstring m_className;
    HWND m_window = nullptr;
};

} // namespace FB::Npapi
