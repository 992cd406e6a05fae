#include "RandomBytes.h"

// windows.h first: wincrypt.h needs its types.
#include <windows.h>

#include <wincrypt.h>

namespace gost {

bool randomBytes(std::uint8_t* buffer) {
    // A verify-only context of its own per call: no persistent keys, nothing shared.
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, L"Microsoft Enhanced Cryptographic Provider v1.0",
                              PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return false;
    const bool generated = CryptGenRandom(provider, 32, buffer) != FALSE;
    CryptReleaseContext(provider, 0);
    return generated;
}

} // namespace gost
