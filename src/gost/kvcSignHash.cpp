#include "kvcSignHash.h"

#include "GostSignature.h"
#include "ParameterSets.h"
#include "RandomBytes.h"

namespace {

constexpr std::uint32_t kSignatureSize = 64;
constexpr std::uint32_t kNumberSize = 32;

bool nonceFromRandomSource(std::uint8_t* nonce, void*) {
    return gost::randomBytes(nonce);
}

} // namespace

unsigned kvcSignHash(std::uint8_t* signature, std::uint32_t* signatureLength,
                     const std::uint8_t* key, std::uint32_t keyLength, const std::uint8_t* hash,
                     std::uint32_t hashLength) {
    const char letter = gost::parameterSetLetter(gost::kSigningParameterSetOid,
                                                 sizeof gost::kSigningParameterSetOid);
    if (!letter)
        return 3;
    // A missing key or hash is treated as one of the wrong length rather than read.
    if (keyLength != kNumberSize || !key)
        return 2;
    if (!signatureLength)
        return 1;
    if (hashLength != kNumberSize || !hash)
        return 2;
    if (!signature) {
        *signatureLength = kSignatureSize;
        return 0;
    }
    if (*signatureLength < kSignatureSize)
        return 1;
    return gost::signHash(letter, signature, key, hash, nonceFromRandomSource, nullptr);
}
