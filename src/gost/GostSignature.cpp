#include "GostSignature.h"

#include <cstring>

#include "CurvePoint.h"
#include "SecureWipe.h"

namespace gost {

namespace {

constexpr unsigned kUnknownSet = 3;

// e = hash mod q, 0 taken as 1.
unsigned hashToScalar(const CurveContext& curve, Word* e, const std::uint8_t* hash) {
    loadWords(e, hash, kFieldWords);
    const unsigned status = remainderWords(e, e, kFieldWords, curve.q, kFieldWords);
    if (!status && isZero(e, kFieldWords))
        e[0] = 1;
    return status;
}

// r = a·b mod q.
void multiplyModOrder(const CurveContext& curve, Word* r, const Word* a, const Word* b) {
    Word product[2 * kFieldWords];
    multiplyWords(product, a, kFieldWords, b, kFieldWords);
    remainderWords(product, product, 2 * kFieldWords, curve.q, kFieldWords);
    std::memcpy(r, product, kFieldWords * sizeof(Word));
}

// What one signing call holds that must not outlive it.
struct SigningSecrets {
    std::uint8_t nonce[32];
    Word k[kFieldWords];
    Word d[kFieldWords];
    ProjectivePoint c;
    Word x[kFieldWords];
    Word y[kFieldWords];
    Word products[2][2 * kFieldWords];
    Word sum[2 * kFieldWords + 1];
};

struct GivenNonce {
    const std::uint8_t* nonce;
    bool used;
};

bool nextGivenNonce(std::uint8_t* nonce, void* context) {
    GivenNonce& given = *static_cast<GivenNonce*>(context);
    if (given.used)
        return false;
    std::memcpy(nonce, given.nonce, 32);
    given.used = true;
    return true;
}

} // namespace

unsigned signHash(char letter, std::uint8_t* signature, const std::uint8_t* key,
                  const std::uint8_t* hash, NonceSource nextNonce, void* context) {
    CurveContext curve;
    if (!loadCurve(letter, curve))
        return kUnknownSet;
    Word e[kFieldWords];
    unsigned status = hashToScalar(curve, e, hash);
    if (status)
        return status;

    SigningSecrets secrets;
    loadWords(secrets.d, key, kFieldWords);
    // A key that is a multiple of q has the point at infinity as its public key: its
    // signatures would verify under no key, so it fails like the infinity met while signing.
    status = remainderWords(secrets.d, secrets.d, kFieldWords, curve.q, kFieldWords);
    if (!status && isZero(secrets.d, kFieldWords))
        status = kInfinity;
    if (status) {
        secureWipe(&secrets, sizeof secrets);
        return status;
    }
    Word r[kFieldWords];
    Word s[kFieldWords];
    for (;;) {
        if (!nextNonce(secrets.nonce, context)) {
            status = kInfinity; // the random source's failure shares code 2
            break;
        }
        loadWords(secrets.k, secrets.nonce, kFieldWords);
        status = remainderWords(secrets.k, secrets.k, kFieldWords, curve.q, kFieldWords);
        if (!status)
            status = scalarMultiply(curve, secrets.c, secrets.k, curve.base);
        if (!status)
            status = toAffine(curve, secrets.x, secrets.y, secrets.c);
        if (status)
            break;
        status = remainderWords(r, secrets.x, kFieldWords, curve.q, kFieldWords);
        if (status)
            break;
        if (isZero(r, kFieldWords))
            continue;
        // s = (r·d + k·e) mod q, from a 68-byte sum
        multiplyWords(secrets.products[0], r, kFieldWords, secrets.d, kFieldWords);
        multiplyWords(secrets.products[1], secrets.k, kFieldWords, e, kFieldWords);
        secrets.sum[2 * kFieldWords] =
            addWords(secrets.sum, secrets.products[0], secrets.products[1], 2 * kFieldWords);
        status =
            remainderWords(secrets.sum, secrets.sum, 2 * kFieldWords + 1, curve.q, kFieldWords);
        if (status)
            break;
        std::memcpy(s, secrets.sum, sizeof s);
        if (isZero(s, kFieldWords))
            continue;
        storeWords(signature, r, kFieldWords);
        storeWords(signature + 32, s, kFieldWords);
        break;
    }
    secureWipe(&secrets, sizeof secrets);
    return status;
}

unsigned signHashWithNonce(char letter, std::uint8_t* signature, const std::uint8_t* key,
                           const std::uint8_t* hash, const std::uint8_t* nonce) {
    GivenNonce given{nonce, false};
    return signHash(letter, signature, key, hash, nextGivenNonce, &given);
}

bool verifyHash(char letter, const std::uint8_t* x, const std::uint8_t* y, const std::uint8_t* hash,
                const std::uint8_t* r, const std::uint8_t* s) {
    CurveContext curve;
    if (!loadCurve(letter, curve))
        return false;
    Word rw[kFieldWords], sw[kFieldWords];
    loadWords(rw, r, kFieldWords);
    loadWords(sw, s, kFieldWords);
    if (isZero(rw, kFieldWords) || isZero(sw, kFieldWords) ||
        compareWords(rw, kFieldWords, curve.q, kFieldWords) >= 0 ||
        compareWords(sw, kFieldWords, curve.q, kFieldWords) >= 0)
        return false;
    ProjectivePoint key;
    loadWords(key.x, x, kFieldWords);
    loadWords(key.y, y, kFieldWords);
    std::memset(key.z, 0, sizeof key.z);
    key.z[0] = 1;
    if (!isOnCurve(curve, key.x, key.y))
        return false;

    // C = (s/e)·P + (-r/e)·Q; valid when x_C mod q = r.
    Word e[kFieldWords], v[kFieldWords], z1[kFieldWords], z2[kFieldWords];
    if (hashToScalar(curve, e, hash) || inverseWords(v, e, curve.q, kFieldWords))
        return false;
    multiplyModOrder(curve, z1, sw, v);
    subtractWords(z2, curve.q, rw, kFieldWords);
    multiplyModOrder(curve, z2, z2, v);
    ProjectivePoint c;
    if (doubleScalarMultiply(curve, c, z1, curve.base, z2, key))
        return false;
    Word cx[kFieldWords], cy[kFieldWords];
    if (toAffine(curve, cx, cy, c) || remainderWords(cx, cx, kFieldWords, curve.q, kFieldWords))
        return false;
    return compareWords(cx, kFieldWords, rw, kFieldWords) == 0;
}

} // namespace gost
