// Signatures, verifications and key agreements per second: ours against libgcrypt's GOST
// R 34.10-2001 on the CryptoPro-A curve, same key and hashes, in one run.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "GcryptGost.h"
#include "GostCrypto.h"
#include "RandomBytes.h"
#include "kvcSignHash.h"

using namespace gost;

namespace {

constexpr Curve kCurve = Curve::CryptoProA;
constexpr int kRounds = 3;

// Best rate of a few rounds, so that a busy machine hurts both sides alike.
double perSecond(int count, const std::function<bool(int)>& operation) {
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i)
            if (!operation(i)) {
                std::fprintf(stderr, "operation failed\n");
                return 0;
            }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        const double rate = count / elapsed.count();
        if (rate > best)
            best = rate;
    }
    return best;
}

void report(const char* what, double ours, double theirs) {
    std::printf("%-14s ours %9.1f/s   libgcrypt %9.1f/s   ours/libgcrypt %.2f\n", what, ours,
                theirs, theirs > 0 ? ours / theirs : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    if (count <= 0 || !gcrypt::initialize()) {
        std::fprintf(stderr, "usage: gost_bench [operations per round]\n");
        return 2;
    }

    Scalar d, peerKey;
    Point q, peer;
    if (!generateKeyPair(kCurve, d, q) || !generateKeyPair(kCurve, peerKey, peer))
        return 1;
    std::vector<Scalar> hashes(64);
    std::vector<gcrypt::Sexp> data(hashes.size());
    for (std::size_t i = 0; i < hashes.size(); ++i)
        if (!randomBytes(hashes[i].data()) || !gcrypt::makeData(hashes[i], data[i]))
            return 1;
    gcrypt::Sexp privateKey, publicKey;
    if (!gcrypt::makePrivateKey(kCurve, d, q, privateKey) ||
        !gcrypt::makePublicKey(kCurve, q, publicKey))
        return 1;
    const std::size_t n = hashes.size();

    std::printf("GOST R 34.10-2001, CryptoPro-A, %d operations per round, best of %d rounds\n",
                count, kRounds);

    std::uint8_t signature[64];
    const double signOurs = perSecond(count, [&](int i) {
        std::uint32_t length = sizeof signature;
        return kvcSignHash(signature, &length, d.data(), 32, hashes[i % n].data(), 32) == 0;
    });
    Scalar r, s;
    const double signTheirs =
        perSecond(count, [&](int i) { return gcrypt::sign(privateKey, data[i % n], r, s); });
    report("sign", signOurs, signTheirs);

    std::vector<Scalar> rs(n), ss(n);
    for (std::size_t i = 0; i < n; ++i)
        if (!sign(kCurve, d, hashes[i], rs[i], ss[i]))
            return 1;
    const double verifyOurs = perSecond(
        count, [&](int i) { return verify(kCurve, q, hashes[i % n], rs[i % n], ss[i % n]); });
    const double verifyTheirs = perSecond(
        count, [&](int i) { return gcrypt::verify(publicKey, data[i % n], rs[i % n], ss[i % n]); });
    report("verify", verifyOurs, verifyTheirs);

    Ukm ukm;
    std::memcpy(ukm.data(), hashes[0].data(), ukm.size());
    Key256 kek;
    const double vkoOurs = perSecond(count, [&](int) { return vko(kCurve, d, peer, ukm, kek); });
    const double vkoTheirs =
        perSecond(count, [&](int) { return gcrypt::vko(kCurve, d, peer, ukm, kek); });
    report("key agreement", vkoOurs, vkoTheirs);
    return 0;
}
