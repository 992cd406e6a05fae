#pragma once

#include <cstddef>
#include <string>

// Overwrites secret bytes (PINs, private keys, nonces) so that the compiler cannot drop the
// stores as dead: the writes go through a volatile pointer.
inline void secureWipe(void* data, std::size_t size) noexcept {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (size--)
        *p++ = 0;
}

inline void secureWipe(std::string& secret) noexcept {
    if (!secret.empty())
        secureWipe(&secret[0], secret.size());
    secret.clear();
}

// Overwrites the stack below the caller's frame, where callees that have returned left their
// locals behind: copies of a secret the compiler made on the way and, the object being dead,
// never cleared (a moved-from short string keeps its characters, the clearing stores being
// dropped as dead). Called once a call that handled a secret is over.
[[gnu::noinline]] inline void secureWipeStack() noexcept {
    volatile unsigned char area[32 * 1024];
    for (std::size_t i = 0; i < sizeof(area); ++i)
        area[i] = 0;
}

// Held by a call that handles a secret: when the call's frame ends, however it ends, the stack
// below it is wiped.
struct StackWipedOnReturn {
    StackWipedOnReturn() = default;
    StackWipedOnReturn(const StackWipedOnReturn&) = delete;
    StackWipedOnReturn& operator=(const StackWipedOnReturn&) = delete;
    ~StackWipedOnReturn() { secureWipeStack(); }
};
