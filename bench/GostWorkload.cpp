#include "GostWorkload.h"

#include <cstring>
#include <string>

#include "GostSignature.h"
#include "kvcSignHash.h"

using namespace gost;

namespace {

constexpr std::size_t kHashes = 64;

Scalar digestOf(const std::string& text) {
    return hash3411(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

} // namespace

bool GostWorkload::prepare() {
    key = digestOf("gost bench key");
    const Scalar peerKey = digestOf("gost bench peer");
    if (!publicKeyOf(curve, key, publicKey) || !publicKeyOf(curve, peerKey, peer))
        return false;
    std::memcpy(ukm.data(), digestOf("gost bench ukm").data(), ukm.size());
    hashes.resize(kHashes);
    r.resize(kHashes);
    s.resize(kHashes);
    nonces.resize(kHashes);
    for (std::size_t i = 0; i < kHashes; ++i) {
        hashes[i] = digestOf("gost bench hash " + std::to_string(i));
        nonces[i] = digestOf("gost bench nonce " + std::to_string(i));
        if (!gost::sign(curve, key, hashes[i], r[i], s[i]))
            return false;
    }
    return true;
}

bool GostWorkload::sign(int i) const {
    std::uint8_t signature[64];
    std::uint32_t length = sizeof signature;
    return kvcSignHash(signature, &length, key.data(), 32, hashes[i % kHashes].data(), 32) == 0;
}

bool GostWorkload::signGivenNonce(int i) const {
    const std::size_t k = i % kHashes;
    std::uint8_t signature[64];
    return signHashWithNonce('A', signature, key.data(), hashes[k].data(), nonces[k].data()) == 0;
}

bool GostWorkload::verify(int i) const {
    const std::size_t k = i % kHashes;
    return gost::verify(curve, publicKey, hashes[k], r[k], s[k]);
}

bool GostWorkload::agree(int) const {
    Key256 kek;
    return vko(curve, key, peer, ukm, kek);
}
