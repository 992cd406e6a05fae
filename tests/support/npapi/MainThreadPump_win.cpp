#include "FakeBrowser.h"

#include <windows.h>

namespace fakenp {

void pumpMainThread() {
    FakeBrowser::current().runAsyncCalls();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool mainThreadHasWork() {
    return FakeBrowser::current().pendingAsyncCalls() != 0 ||
           (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE) != 0;
}

} // namespace fakenp
