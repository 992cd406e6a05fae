#include "GostCrypto.h"

#include <cstring>

#include "CurvePoint.h"
#include "Gost28147.h"
#include "Gost3411.h"
#include "GostSignature.h"
#include "RandomBytes.h"
#include "SecureWipe.h"

namespace gost {

namespace {

// Enough draws that a working generator practically never runs out (a draw fails the range
// check with probability below one half on every set).
constexpr unsigned kKeyDrawAttempts = 128;

char letterOf(Curve curve) {
    switch (curve) {
    case Curve::Test:
        return 'T';
    case Curve::CryptoProA:
        return 'A';
    case Curve::CryptoProB:
        return 'B';
    case Curve::CryptoProC:
        return 'C';
    }
    return 0;
}

bool nonceFromRandomSource(std::uint8_t* nonce, void*) {
    return randomBytes(nonce);
}

// d in [1, q-1].
bool inScalarRange(const CurveContext& context, const Word* d) {
    return !isZero(d, kFieldWords) && compareWords(d, kFieldWords, context.q, kFieldWords) < 0;
}

bool multiplyToAffine(const CurveContext& context, const Word* k, const ProjectivePoint& p, Word* x,
                      Word* y) {
    ProjectivePoint product;
    const bool ok = !windowMultiply(context, product, k, p) && !toAffine(context, x, y, product);
    secureWipe(&product, sizeof product);
    return ok;
}

} // namespace

bool generateKeyPair(Curve curve, Scalar& privateKey, Point& publicKey) {
    for (unsigned attempt = 0; attempt < kKeyDrawAttempts; ++attempt) {
        if (!randomBytes(privateKey.data()))
            break;
        if (publicKeyOf(curve, privateKey, publicKey))
            return true;
    }
    secureWipe(privateKey.data(), privateKey.size());
    return false;
}

bool publicKeyOf(Curve curve, const Scalar& privateKey, Point& publicKey) {
    CurveContext context;
    if (!loadCurve(letterOf(curve), context))
        return false;
    Word d[kFieldWords], x[kFieldWords], y[kFieldWords];
    loadWords(d, privateKey.data(), kFieldWords);
    const bool ok = inScalarRange(context, d) && multiplyToAffine(context, d, context.base, x, y);
    secureWipe(d, sizeof d);
    if (ok) {
        storeWords(publicKey.x.data(), x, kFieldWords);
        storeWords(publicKey.y.data(), y, kFieldWords);
    }
    return ok;
}

bool sign(Curve curve, const Scalar& privateKey, const Scalar& hash, Scalar& r, Scalar& s) {
    CurveContext context;
    if (!loadCurve(letterOf(curve), context))
        return false;
    Word d[kFieldWords];
    loadWords(d, privateKey.data(), kFieldWords);
    const bool inRange = inScalarRange(context, d);
    secureWipe(d, sizeof d);
    std::uint8_t signature[64];
    if (!inRange || signHash(letterOf(curve), signature, privateKey.data(), hash.data(),
                             nonceFromRandomSource, nullptr) != 0)
        return false;
    std::memcpy(r.data(), signature, 32);
    std::memcpy(s.data(), signature + 32, 32);
    return true;
}

bool verify(Curve curve, const Point& publicKey, const Scalar& hash, const Scalar& r,
            const Scalar& s) {
    return verifyHash(letterOf(curve), publicKey.x.data(), publicKey.y.data(), hash.data(),
                      r.data(), s.data());
}

Digest hash3411(const std::uint8_t* data, std::size_t size) {
    Gost3411 hash;
    hash.update(data, size);
    Digest digest;
    hash.finish(digest.data());
    return digest;
}

bool vko(Curve curve, const Scalar& privateKey, const Point& peer, const Ukm& ukm, Key256& kek) {
    CurveContext context;
    if (!loadCurve(letterOf(curve), context))
        return false;
    ProjectivePoint peerPoint;
    loadWords(peerPoint.x, peer.x.data(), kFieldWords);
    loadWords(peerPoint.y, peer.y.data(), kFieldWords);
    std::memset(peerPoint.z, 0, sizeof peerPoint.z);
    peerPoint.z[0] = 1;
    if (!isOnCurve(context, peerPoint.x, peerPoint.y))
        return false;

    // K = (UKM·d mod q)·peer; the KEK is the hash of K's X then Y, each least significant
    // byte first.
    Word d[kFieldWords], ukmWords[2], product[kFieldWords + 2], x[kFieldWords], y[kFieldWords];
    loadWords(d, privateKey.data(), kFieldWords);
    loadWords(ukmWords, ukm.data(), 2);
    bool ok = inScalarRange(context, d);
    if (ok) {
        multiplyWords(product, d, kFieldWords, ukmWords, 2);
        remainderWords(product, product, kFieldWords + 2, context.q, kFieldWords);
        ok = multiplyToAffine(context, product, peerPoint, x, y);
    }
    if (ok) {
        std::uint8_t shared[64];
        storeWords(shared, x, kFieldWords);
        storeWords(shared + 32, y, kFieldWords);
        kek = hash3411(shared, sizeof shared);
        secureWipe(shared, sizeof shared);
    }
    secureWipe(d, sizeof d);
    secureWipe(product, sizeof product);
    secureWipe(x, sizeof x);
    secureWipe(y, sizeof y);
    return ok;
}

Key256 cryptoProDiversify(const Key256& key, const Ukm& ukm) {
    // Eight rounds: the IV sums the key's words selected by the bits of one UKM byte, and the
    // key encrypts itself in cipher feedback mode under that IV.
    Key256 current = key;
    for (unsigned i = 0; i < 8; ++i) {
        Word selected = 0;
        Word others = 0;
        for (unsigned j = 0; j < 8; ++j) {
            Word k;
            loadWords(&k, current.data() + 4 * j, 1);
            if ((ukm[i] >> j) & 1)
                selected += k;
            else
                others += k;
        }
        std::uint8_t iv[8];
        storeWords(iv, &selected, 1);
        storeWords(iv + 4, &others, 1);
        Gost28147 cipher(SBoxSet::CryptoProA, current.data());
        cipher.encryptCfb(iv, current.data(), current.data(), current.size());
        secureWipe(iv, sizeof iv);
    }
    return current;
}

} // namespace gost
