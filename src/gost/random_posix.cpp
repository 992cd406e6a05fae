#include "RandomBytes.h"

#include <cerrno>
#include <sys/random.h>

namespace gost {

bool randomBytes(std::uint8_t* buffer) {
    for (;;) {
        const ssize_t got = getrandom(buffer, 32, 0);
        if (got == 32)
            return true;
        if (got < 0 && errno == EINTR)
            continue;
        return false; // an error or a short read
    }
}

} // namespace gost
