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
