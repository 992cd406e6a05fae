// The software signer's entry point with whatever key and hash bytes a caller hands it. Each
// call either returns its failure code, writing nothing, or a signature that verifies under
// the key's public key.
#include "GostCrypto.h"
#include "ParameterSets.h"
#include "kvcSignHash.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes shift the stated lengths and the buffer size away from the right ones.
    const int keyShift = static_cast<std::int8_t>(data[0]) % 3;
    const int hashShift = static_cast<std::int8_t>(data[1]) % 3;
    std::uint8_t key[34] = {};
    std::uint8_t hash[34] = {};
    std::memcpy(key, data + 2, std::min<std::size_t>(size - 2, 32));
    if (size > 34)
        std::memcpy(hash, data + 34, std::min<std::size_t>(size - 34, 32));
    const std::uint32_t keyLength = static_cast<std::uint32_t>(32 + keyShift);
    const std::uint32_t hashLength = static_cast<std::uint32_t>(32 + hashShift);

    std::uint8_t signature[65];
    std::memset(signature, 0xA5, sizeof signature);
    std::uint32_t length = data[0] & 0x80 ? 63 : 64;
    const unsigned rv = kvcSignHash(signature, &length, key, keyLength, hash, hashLength);
    if (rv != 0) {
        // Nothing written on failure.
        if (std::count(signature, signature + sizeof signature, 0xA5) != sizeof signature)
            std::abort();
        return 0;
    }
    if (keyLength != 32 || hashLength != 32 || length < 64 || signature[64] != 0xA5)
        std::abort();

    gost::Scalar d, e, r, s;
    std::copy(key, key + 32, d.begin());
    std::copy(hash, hash + 32, e.begin());
    std::copy(signature, signature + 32, r.begin());
    std::copy(signature + 32, signature + 64, s.begin());
    gost::Point q;
    if (!gost::publicKeyOf(gost::Curve::CryptoProA, d, q)) {
        // A key at or above the order q (below 2q) signs as its remainder d - q.
        const std::uint8_t* order = gost::parameterSetByLetter('A')->q.value;
        unsigned borrow = 0;
        for (std::size_t i = 0; i < d.size(); ++i) {
            const unsigned difference = d[i] - order[i] - borrow;
            d[i] = static_cast<std::uint8_t>(difference);
            borrow = difference >> 8 & 1;
        }
        if (borrow || !gost::publicKeyOf(gost::Curve::CryptoProA, d, q))
            std::abort();
    }
    if (!gost::verify(gost::Curve::CryptoProA, q, e, r, s))
        std::abort();
    return 0;
}
