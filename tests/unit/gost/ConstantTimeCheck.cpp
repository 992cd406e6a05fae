// Run under Valgrind's memcheck: private keys and nonces are marked undefined, so that every
// branch and every memory index that depends on one is reported as a use of an undefined
// value. Built with Gost2012.cpp compiled for the check (KV_CTIME_CHECK), which marks the
// verdicts and results that may be branched on. Exits 1 when an operation fails; memcheck's
// --error-exitcode reports the leaks of secret-dependent time.
#include <valgrind/memcheck.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "Gost2012.h"

using namespace gost;

namespace {

using Bytes = std::vector<std::uint8_t>;

void secret(Bytes& b) {
    VALGRIND_MAKE_MEM_UNDEFINED(b.data(), b.size());
}
void published(Bytes& b) {
    VALGRIND_MAKE_MEM_DEFINED(b.data(), b.size());
}

} // namespace

int main() {
    int failures = 0;
    for (ParamSet2012 set :
         {ParamSet2012::A256, ParamSet2012::C256, ParamSet2012::A512, ParamSet2012::C512}) {
        const std::size_t size = keySize(set);
        Bytes d(size), q(2 * size), peerD(size), peer(2 * size), k(size, 0), hash(size, 0x42);
        if (!generateKeyPair2012(set, d.data(), q.data()) ||
            !generateKeyPair2012(set, peerD.data(), peer.data()))
            return 1;
        for (std::size_t i = 0; i < size - 1; ++i)
            k[i] = std::uint8_t(0x9D * (i + 1));
        Bytes r(size), s(size), kek(32), derived(2 * size);
        const Bytes ukm = {1, 2, 3, 4, 5, 6, 7, 8};
        secret(d);
        secret(k);
        const bool signedHash =
            sign2012WithNonce(set, d.data(), hash.data(), k.data(), r.data(), s.data());
        const bool agreed =
            vko2012(set, d.data(), peer.data(), ukm.data(), ukm.size(), kek.size(), kek.data());
        const bool derivedKey = publicKeyOf2012(set, d.data(), derived.data());
        published(d);
        published(r);
        published(s);
        published(derived);
        if (!signedHash || !agreed || !derivedKey || derived != q ||
            !verify2012(set, q.data(), hash.data(), r.data(), s.data())) {
            std::fprintf(stderr, "set %d: an operation failed\n", int(set));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
