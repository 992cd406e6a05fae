#include "Process.h"

#include <unistd.h>

namespace softtoken {

unsigned long currentProcessId() {
    return static_cast<unsigned long>(::getpid());
}

} // namespace softtoken
