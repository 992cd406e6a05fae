#include "Process.h"

#include <windows.h>

namespace softtoken {

unsigned long currentProcessId() {
    return ::GetCurrentProcessId();
}

} // namespace softtoken
