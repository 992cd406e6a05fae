#include "FakeBrowser.h"

namespace fakenp {

void pumpMainThread() {
    FakeBrowser::current().runAsyncCalls();
}

bool mainThreadHasWork() {
    return FakeBrowser::current().pendingAsyncCalls() != 0;
}

} // namespace fakenp
