#include "CurvePoint.h"

#include <cstring>

#include "ParameterSets.h"
#include "SecureWipe.h"

namespace gost {

bool loadCurve(char letter, CurveContext& curve) {
    const ParameterSet* set = parameterSetByLetter(letter);
    if (!set)
        return false;
    loadWords(curve.field.p, set->p.value, kFieldWords);
    curve.field.folding = letter == 'A';
    loadWords(curve.a, set->a.value, kFieldWords);
    Word three[kFieldWords] = {3};
    Word minusThree[kFieldWords];
    subtractWords(minusThree, curve.field.p, three, kFieldWords);
    curve.aIsMinusThree = compareWords(curve.a, kFieldWords, minusThree, kFieldWords) == 0;
    loadWords(curve.b, set->b.value, kFieldWords);
    loadWords(curve.q, set->q.value, kFieldWords);
    loadWords(curve.base.x, set->x.value, kFieldWords);
    loadWords(curve.base.y, set->y.value, kFieldWords);
    std::memset(curve.base.z, 0, sizeof curve.base.z);
    curve.base.z[0] = 1;
    return true;
}

unsigned doublePoint(const CurveContext& curve, ProjectivePoint& t) {
    if (isZero(t.y, kFieldWords))
        return kInfinity;
    const Field& f = curve.field;
    Word w[kFieldWords], s[kFieldWords], ys[kFieldWords], b[kFieldWords], h[kFieldWords];
    Word t1[kFieldWords], t2[kFieldWords];

    // s = Y·Z; B = X·Y·s taken as X·(Y·s), whose Y·s also gives 8·Y²·s² = 8·(Y·s)²
    fieldMultiply(f, s, t.y, t.z);
    fieldMultiply(f, ys, t.y, s);
    fieldMultiply(f, b, t.x, ys);
    // w = a·Z² + 3·X², h = w² - 8·B
    fieldSquare(f, t1, t.z);
    fieldSquare(f, t2, t.x);
    if (curve.aIsMinusThree) {
        fieldSubtract(f, t1, t2, t1);
        fieldMultiplySmall(f, w, t1, 3);
    } else {
        fieldMultiply(f, w, curve.a, t1);
        fieldMultiplySmall(f, t2, t2, 3);
        fieldAdd(f, w, w, t2);
    }
    // h = w² - 8·B, as w² - 4·B - 4·B
    fieldSquare(f, h, w);
    fieldMultiplySmall(f, b, b, 4);
    fieldSubtract(f, h, h, b);
    fieldSubtract(f, h, h, b);
    // Y' = w·(4·B - h) - 8·(Y·s)²
    fieldSubtract(f, t1, b, h);
    fieldMultiply(f, t1, w, t1);
    fieldSquare(f, t2, ys);
    fieldMultiplySmall(f, t2, t2, 8);
    fieldSubtract(f, t.y, t1, t2);
    // X' = 2·h·s = h·(2·s), Z' = 8·s³ = (2·s)³; 2·s may lie in [p, 2^256), fine as a factor
    fieldAdd(f, s, s, s);
    fieldMultiply(f, t.x, h, s);
    fieldSquare(f, t1, s);
    fieldMultiply(f, t.z, t1, s);
    return 0;
}

unsigned addPoints(const CurveContext& curve, ProjectivePoint& out, const ProjectivePoint& r,
                   const ProjectivePoint& t) {
    const Field& f = curve.field;
    Word y2z1[kFieldWords], y1z2[kFieldWords], x2z1[kFieldWords], x1z2[kFieldWords];
    fieldMultiply(f, y2z1, r.y, t.z);
    fieldMultiply(f, y1z2, t.y, r.z);
    fieldMultiply(f, x2z1, r.x, t.z);
    fieldMultiply(f, x1z2, t.x, r.z);
    if (compareWords(x1z2, kFieldWords, x2z1, kFieldWords) == 0) {
        if (compareWords(y1z2, kFieldWords, y2z1, kFieldWords) != 0)
            return kInfinity; // r = -t
        out = t;
        return doublePoint(curve, out);
    }

    Word u[kFieldWords], v[kFieldWords], vv[kFieldWords], vvv[kFieldWords], z1z2[kFieldWords];
    Word vvx[kFieldWords], a[kFieldWords], t1[kFieldWords], t2[kFieldWords];
    fieldSubtract(f, u, y2z1, y1z2);
    fieldSubtract(f, v, x2z1, x1z2);
    fieldSquare(f, vv, v);
    fieldMultiply(f, vvv, vv, v);
    fieldMultiply(f, z1z2, t.z, r.z);
    fieldMultiply(f, vvx, vv, x1z2);
    // A = u²·Z₁·Z₂ - v³ - 2·v²·X₁·Z₂
    fieldSquare(f, t1, u);
    fieldMultiply(f, t1, t1, z1z2);
    fieldSubtract(f, a, t1, vvv);
    fieldSubtract(f, a, a, vvx);
    fieldSubtract(f, a, a, vvx);
    // Y₃ = u·(v²·X₁·Z₂ - A) - v³·Y₁·Z₂
    fieldSubtract(f, t1, vvx, a);
    fieldMultiply(f, t1, u, t1);
    fieldMultiply(f, t2, vvv, y1z2);
    fieldSubtract(f, out.y, t1, t2);
    // X₃ = v·A, Z₃ = v³·Z₁·Z₂
    fieldMultiply(f, out.x, v, a);
    fieldMultiply(f, out.z, vvv, z1z2);
    return 0;
}

namespace {

// r = a when mask is all ones, r unchanged when it is zero; no branch on the mask.
void selectPoint(ProjectivePoint& r, const ProjectivePoint& a, Word mask) {
    for (std::size_t i = 0; i < kFieldWords; ++i) {
        r.x[i] ^= (r.x[i] ^ a.x[i]) & mask;
        r.y[i] ^= (r.y[i] ^ a.y[i]) & mask;
        r.z[i] ^= (r.z[i] ^ a.z[i]) & mask;
    }
}

Word maskIfEqual(Word a, Word b) {
    return Word(0) - Word(a == b);
}

} // namespace

unsigned scalarMultiply(const CurveContext& curve, ProjectivePoint& out, const Word* k,
                        const ProjectivePoint& p) {
    ProjectivePoint t = p;
    ProjectivePoint r;
    ProjectivePoint scratch;
    bool haveR = false;
    unsigned status = 0;
    for (unsigned bit = 0; bit < 32 * kFieldWords; ++bit) {
        const Word set = (k[bit / 32] >> (bit % 32)) & 1;
        if (!haveR) {
            if (set) {
                r = t;
                haveR = true;
            }
        } else if (addPoints(curve, scratch, r, t) == kInfinity) {
            haveR = !set; // R = -T: the sum counts only when the bit is set
        } else {
            // Same cost whether the bit is set or not; the sum is kept or dropped by a mask.
            selectPoint(r, scratch, Word(0) - set);
        }
        status = doublePoint(curve, t);
        if (status)
            break;
    }
    if (!status && !haveR)
        status = kInfinity;
    if (!status)
        out = r;
    secureWipe(&t, sizeof t);
    secureWipe(&r, sizeof r);
    secureWipe(&scratch, sizeof scratch);
    return status;
}

unsigned windowMultiply(const CurveContext& curve, ProjectivePoint& out, const Word* k,
                        const ProjectivePoint& p) {
    if (isZero(k, kFieldWords))
        return kInfinity;
    // table[j] = j·p. No sum below meets its own negative: p has a large prime order.
    ProjectivePoint table[16];
    table[1] = p;
    table[2] = p;
    unsigned status = doublePoint(curve, table[2]);
    for (unsigned j = 3; j < 16 && !status; ++j)
        status = addPoints(curve, table[j], table[j - 1], p);

    // k + q or k + 2q, whichever has bit 256 as its top bit (every order lies above 2^255): the
    // same multiple of p, and a top window that is known, so that no window starts from the
    // point at infinity. Its low 256 bits:
    Word scalar[kFieldWords], twice[kFieldWords];
    const Word carry = addWords(scalar, k, curve.q, kFieldWords);
    addWords(twice, scalar, curve.q, kFieldWords);
    const Word takeTwice = Word(0) - (carry ^ 1);
    for (std::size_t i = 0; i < kFieldWords; ++i)
        scalar[i] ^= (scalar[i] ^ twice[i]) & takeTwice;

    ProjectivePoint r = p; // bit 256
    ProjectivePoint entry, sum;
    for (unsigned window = 64; window-- > 0 && !status;) {
        for (unsigned i = 0; i < 4 && !status; ++i)
            status = doublePoint(curve, r);
        const Word digit = scalar[window / 8] >> (4 * (window % 8)) & 15;
        // A zero digit still adds p, and drops the sum.
        const Word index = digit | Word(digit == 0);
        std::memset(&entry, 0, sizeof entry);
        for (Word j = 1; j < 16; ++j) {
            const Word mask = maskIfEqual(j, index);
            const ProjectivePoint& from = table[j];
            for (std::size_t w = 0; w < kFieldWords; ++w) {
                entry.x[w] |= from.x[w] & mask;
                entry.y[w] |= from.y[w] & mask;
                entry.z[w] |= from.z[w] & mask;
            }
        }
        // A kept sum is never the point at infinity for k in [1, q - 1]; a dropped one is, at
        // the last window for k = q - 1, and does not count.
        const Word keep = Word(0) - Word(digit != 0);
        if (!status)
            status = addPoints(curve, sum, r, entry) & keep;
        selectPoint(r, sum, keep);
    }
    if (!status)
        out = r;
    secureWipe(table, sizeof table);
    secureWipe(scalar, sizeof scalar);
    secureWipe(twice, sizeof twice);
    secureWipe(&r, sizeof r);
    secureWipe(&entry, sizeof entry);
    secureWipe(&sum, sizeof sum);
    return status;
}

unsigned doubleScalarMultiply(const CurveContext& curve, ProjectivePoint& out, const Word* k1,
                              const ProjectivePoint& p1, const Word* k2,
                              const ProjectivePoint& p2) {
    ProjectivePoint both;
    const bool haveBoth = addPoints(curve, both, p1, p2) == 0;
    ProjectivePoint r;
    bool haveR = false;
    for (unsigned bit = 32 * kFieldWords; bit-- > 0;) {
        if (haveR && doublePoint(curve, r))
            haveR = false;
        const bool b1 = (k1[bit / 32] >> (bit % 32)) & 1;
        const bool b2 = (k2[bit / 32] >> (bit % 32)) & 1;
        const ProjectivePoint* term = b1 && b2 ? (haveBoth ? &both : nullptr)
                                      : b1     ? &p1
                                      : b2     ? &p2
                                               : nullptr;
        if (!term)
            continue;
        if (!haveR) {
            r = *term;
            haveR = true;
        } else if (addPoints(curve, r, r, *term) == kInfinity) {
            haveR = false;
        }
    }
    if (!haveR)
        return kInfinity;
    out = r;
    return 0;
}

unsigned toAffine(const CurveContext& curve, Word* x, Word* y, const ProjectivePoint& point) {
    Word zInverse[kFieldWords];
    const unsigned status = inverseWords(zInverse, point.z, curve.field.p, kFieldWords);
    if (status)
        return status;
    fieldMultiply(curve.field, x, point.x, zInverse);
    fieldMultiply(curve.field, y, point.y, zInverse);
    return 0;
}

bool isOnCurve(const CurveContext& curve, const Word* x, const Word* y) {
    const Field& f = curve.field;
    if (compareWords(x, kFieldWords, f.p, kFieldWords) >= 0 ||
        compareWords(y, kFieldWords, f.p, kFieldWords) >= 0)
        return false;
    Word left[kFieldWords], right[kFieldWords], t[kFieldWords];
    fieldSquare(f, left, y);
    fieldSquare(f, right, x);
    fieldMultiply(f, right, right, x);
    fieldMultiply(f, t, curve.a, x);
    fieldAdd(f, right, right, t);
    fieldAdd(f, right, right, curve.b);
    fieldCanonical(f, right);
    return compareWords(left, kFieldWords, right, kFieldWords) == 0;
}

} // namespace gost
