#include "Gost2012Workload.h"

#include <string>

#include "Streebog.h"

using namespace gost;

namespace {

constexpr std::size_t kHashes = 64;

// size bytes of Streebog-512 of the text: a key, a hash or a UKM, the same in every run.
Gost2012Workload::Bytes bytesOf(const std::string& text, std::size_t size) {
    const Digest512 digest =
        streebog512(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    Gost2012Workload::Bytes bytes(digest.begin(), digest.begin() + size);
    // Below every q: the top byte of q is at least 0x3F.
    bytes[size - 1] &= 0x1F;
    return bytes;
}

} // namespace

bool Gost2012Workload::prepare() {
    const std::size_t size = keySize(set);
    key = bytesOf("gost 2012 bench key", size);
    const Bytes peerKey = bytesOf("gost 2012 bench peer", size);
    publicKey.resize(2 * size);
    peer.resize(2 * size);
    if (!publicKeyOf2012(set, key.data(), publicKey.data()) ||
        !publicKeyOf2012(set, peerKey.data(), peer.data()))
        return false;
    ukm = bytesOf("gost 2012 bench ukm", 8);
    hashes.resize(kHashes);
    r.assign(kHashes, Bytes(size));
    s.assign(kHashes, Bytes(size));
    for (std::size_t i = 0; i < kHashes; ++i) {
        hashes[i] = bytesOf("gost 2012 bench hash " + std::to_string(i), size);
        if (!sign2012(set, key.data(), hashes[i].data(), r[i].data(), s[i].data()))
            return false;
    }
    return true;
}

bool Gost2012Workload::sign(int i) const {
    std::uint8_t rOut[64], sOut[64];
    return sign2012(set, key.data(), hashes[i % kHashes].data(), rOut, sOut);
}

bool Gost2012Workload::verify(int i) const {
    const std::size_t k = i % kHashes;
    return verify2012(set, publicKey.data(), hashes[k].data(), r[k].data(), s[k].data());
}

bool Gost2012Workload::agree(int) const {
    std::uint8_t kek[32];
    return vko2012(set, key.data(), peer.data(), ukm.data(), ukm.size(), sizeof kek, kek);
}
