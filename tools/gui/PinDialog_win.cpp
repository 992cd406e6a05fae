#include "PinDialog.h"

#include "Messages.h"
#include "WideText.h"

#include <stdexcept>
#include <vector>
#include <windows.h>

namespace {

constexpr WORD idDescription = 100;
constexpr WORD idPin = 101;
constexpr WORD idPinLabel = 102;
constexpr int maxPinLength = 256;

// A dialog template in memory: the header, then each control, every item DWORD-aligned.
class DialogTemplate {
public:
    void header(DWORD style, short width, short height, const wchar_t* title) {
        DLGTEMPLATE dialog{};
        dialog.style = style;
        dialog.cx = width;
        dialog.cy = height;
        append(&dialog, sizeof(dialog));
        word(0); // no menu
        word(0); // the standard dialog class
        text(title);
        word(9); // point size, for DS_SETFONT
        text(L"Segoe UI");
    }
    void control(DWORD style, short x, short y, short width, short height, WORD id, WORD kind,
                 const wchar_t* caption) {
        align();
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = width;
        item.cy = height;
        item.id = id;
        append(&item, sizeof(item));
        ++reinterpret_cast<DLGTEMPLATE*>(m_bytes.data())->cdit;
        word(0xFFFF);
        word(kind);
        text(caption);
        word(0); // no creation data
    }
    const DLGTEMPLATE* get() {
        align();
        return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data());
    }

private:
    void append(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }
    void word(WORD value) { append(&value, sizeof(value)); }
    void text(const wchar_t* value) { append(value, (wcslen(value) + 1) * sizeof(wchar_t)); }
    void align() {
        while (m_bytes.size() % sizeof(DWORD))
            m_bytes.push_back(0);
    }

    std::vector<unsigned char> m_bytes;
};

struct DialogState {
    std::wstring description;
    std::wstring pin;
};

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        state = reinterpret_cast<DialogState*>(lParam);
        SetDlgItemTextW(dialog, idDescription, state->description.c_str());
        SendDlgItemMessageW(dialog, idPin, EM_LIMITTEXT, maxPinLength, 0);
        SetForegroundWindow(dialog);
        SetFocus(GetDlgItem(dialog, idPin));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            wchar_t buffer[maxPinLength + 1] = {};
            const int length = GetDlgItemTextW(dialog, idPin, buffer, maxPinLength + 1);
            state->pin.assign(buffer, static_cast<std::size_t>(length));
            SecureZeroMemory(buffer, sizeof(buffer));
        }
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            SetDlgItemTextW(dialog, idPin, L"");
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

// The dialog is this process's own window: there is no helper program.
void becomeDialogHelperWhenAsked(int, char**) {}

bool askPin(const std::string& description, std::string& pin) {
    DialogState state;
    state.description = toWide(description);
    state.pin.reserve(maxPinLength + 1);

    const WORD button = 0x0080, edit = 0x0081, label = 0x0082;
    DialogTemplate dialog;
    dialog.header(DS_MODALFRAME | DS_CENTER | DS_SETFONT | DS_SETFOREGROUND | WS_POPUP |
                      WS_CAPTION | WS_SYSMENU,
                  220, 92, L"Kestrova");
    dialog.control(SS_LEFT, 10, 8, 200, 34, idDescription, label, L"");
    // Room for the longer label and button texts of other languages.
    const std::wstring pinLabel = toWide(translate("PIN:"));
    const std::wstring ok = toWide(translate("OK"));
    const std::wstring cancel = toWide(translate("Cancel"));
    dialog.control(SS_LEFT, 10, 48, 40, 10, idPinLabel, label, pinLabel.c_str());
    dialog.control(ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 52, 46, 158, 14, idPin,
                   edit, L"");
    dialog.control(BS_DEFPUSHBUTTON | WS_TABSTOP, 104, 68, 50, 14, IDOK, button, ok.c_str());
    dialog.control(BS_PUSHBUTTON | WS_TABSTOP, 160, 68, 50, 14, IDCANCEL, button, cancel.c_str());

    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), nullptr,
                                                   dialogProc, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) {
        SecureZeroMemory(&state.pin[0], state.pin.size() * sizeof(wchar_t));
        if (result == IDCANCEL)
            return false;
        throw std::runtime_error("the PIN dialog could not be shown");
    }
    pin = toUtf8(state.pin);
    SecureZeroMemory(&state.pin[0], state.pin.size() * sizeof(wchar_t));
    return true;
}
