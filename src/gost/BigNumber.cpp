#include "BigNumber.h"

#include <cstdio>
#include <cstring>

#include "SecureWipe.h"

namespace gost {

void loadWords(Word* words, const std::uint8_t* bytes, std::size_t wordCount) {
    for (std::size_t i = 0; i < wordCount; ++i, bytes += 4)
        words[i] =
            Word(bytes[0]) | Word(bytes[1]) << 8 | Word(bytes[2]) << 16 | Word(bytes[3]) << 24;
}

void storeWords(std::uint8_t* bytes, const Word* words, std::size_t wordCount) {
    for (std::size_t i = 0; i < wordCount; ++i, bytes += 4) {
        bytes[0] = std::uint8_t(words[i]);
        bytes[1] = std::uint8_t(words[i] >> 8);
        bytes[2] = std::uint8_t(words[i] >> 16);
        bytes[3] = std::uint8_t(words[i] >> 24);
    }
}

bool isZero(const Word* a, std::size_t n) {
    Word any = 0;
    for (std::size_t i = 0; i < n; ++i)
        any |= a[i];
    return any == 0;
}

namespace {

// Inlined with a constant length for the 8-word field elements (see schoolbookProduct).
[[gnu::always_inline]] inline Word addLoop(Word* r, const Word* a, const Word* b, std::size_t n) {
    DoubleWord carry = 0;
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) {
        carry += DoubleWord(a[i]) + b[i];
        r[i] = Word(carry);
        carry >>= 32;
    }
    return Word(carry);
}

[[gnu::always_inline]] inline Word subtractLoop(Word* r, const Word* a, const Word* b,
                                                std::size_t n) {
    Word borrow = 0;
#pragma GCC unroll 8
    for (std::size_t i = 0; i < n; ++i) {
        DoubleWord d = DoubleWord(a[i]) - b[i] - borrow;
        r[i] = Word(d);
        borrow = Word(d >> 32) & 1;
    }
    return borrow;
}

} // namespace

Word addWords(Word* r, const Word* a, const Word* b, std::size_t n) {
    return n == 8 ? addLoop(r, a, b, 8) : addLoop(r, a, b, n);
}

Word subtractWords(Word* r, const Word* a, const Word* b, std::size_t n) {
    return n == 8 ? subtractLoop(r, a, b, 8) : subtractLoop(r, a, b, n);
}

static std::size_t significantWords(const Word* a, std::size_t n) {
    while (n > 0 && a[n - 1] == 0)
        --n;
    return n;
}

int compareWords(const Word* a, std::size_t na, const Word* b, std::size_t nb) {
    na = significantWords(a, na);
    nb = significantWords(b, nb);
    if (na != nb)
        return na < nb ? -1 : 1;
    while (na-- > 0)
        if (a[na] != b[na])
            return a[na] < b[na] ? -1 : 1;
    return 0;
}

namespace {

[[gnu::always_inline]] inline void halveLoop(Word* a, std::size_t n, Word topBit) {
    Word carry = topBit & 1;
#pragma GCC unroll 9
    for (std::size_t i = n; i-- > 0;) {
        const Word low = a[i] & 1;
        a[i] = a[i] >> 1 | carry << 31;
        carry = low;
    }
}

} // namespace

void halveWords(Word* a, std::size_t n, Word topBit) {
    // The inverse halves 8-word values and their 9-word coefficients, over and over.
    if (n == 8)
        halveLoop(a, 8, topBit);
    else if (n == 9)
        halveLoop(a, 9, topBit);
    else
        halveLoop(a, n, topBit);
}

namespace {

// Inlined into each caller below, so that the 8-word field operands get a copy with constant
// bounds that the compiler unrolls.
[[gnu::always_inline]] inline void schoolbookProduct(Word* r, const Word* a, std::size_t na,
                                                     const Word* b, std::size_t nb) {
    for (std::size_t j = 0; j < na + nb; ++j)
        r[j] = 0;
#pragma GCC unroll 8
    for (std::size_t i = 0; i < na; ++i) {
        DoubleWord carry = 0;
#pragma GCC unroll 8
        for (std::size_t j = 0; j < nb; ++j) {
            carry += DoubleWord(a[i]) * b[j] + r[i + j];
            r[i + j] = Word(carry);
            carry >>= 32;
        }
        r[i + nb] = Word(carry);
    }
}

} // namespace

void multiplyWords(Word* r, const Word* a, std::size_t na, const Word* b, std::size_t nb) {
    if (na == 8 && nb == 8)
        schoolbookProduct(r, a, 8, b, 8);
    else
        schoolbookProduct(r, a, na, b, nb);
}

unsigned remainderWords(Word* r, const Word* a, std::size_t na, const Word* m, std::size_t nm) {
    const std::size_t n = significantWords(m, nm);
    if (n == 0)
        return kZeroModulus;
    if (isZero(a, na)) {
        std::memset(r, 0, na * sizeof(Word));
        return 0;
    }
    if (significantWords(a, na) < n) {
        std::memmove(r, a, na * sizeof(Word));
        return 0;
    }
    if (n == 1) {
        DoubleWord rest = 0;
        for (std::size_t i = na; i-- > 0;)
            rest = ((rest << 32) | a[i]) % m[0];
        std::memset(r, 0, na * sizeof(Word));
        r[0] = Word(rest);
        return 0;
    }

    // Work area: the dividend and divisor shifted left until the divisor's top bit is set, so
    // that each quotient word estimated from two remainder words is at most two too large.
    const int shift = __builtin_clz(m[n - 1]);
    Word v[kMaxDividendWords];
    Word u[kMaxDividendWords + 1];
    for (std::size_t i = n; i-- > 0;)
        v[i] = shift ? m[i] << shift | (i ? m[i - 1] >> (32 - shift) : 0) : m[i];
    u[na] = shift ? a[na - 1] >> (32 - shift) : 0;
    for (std::size_t i = na; i-- > 0;)
        u[i] = shift ? a[i] << shift | (i ? a[i - 1] >> (32 - shift) : 0) : a[i];

    for (std::size_t j = na >= n ? na - n + 1 : 0; j-- > 0;) {
        const DoubleWord top = DoubleWord(u[j + n]) << 32 | u[j + n - 1];
        DoubleWord qhat = top / v[n - 1];
        DoubleWord rhat = top % v[n - 1];
        while (qhat >> 32 || qhat * v[n - 2] > (rhat << 32 | u[j + n - 2])) {
            --qhat;
            rhat += v[n - 1];
            if (rhat >> 32)
                break;
        }
        // u[j .. j+n] -= qhat·v
        DoubleWord carry = 0;
        Word borrow = 0;
        for (std::size_t i = 0; i < n; ++i) {
            carry += qhat * v[i];
            DoubleWord d = DoubleWord(u[i + j]) - Word(carry) - borrow;
            u[i + j] = Word(d);
            borrow = Word(d >> 32) & 1;
            carry >>= 32;
        }
        DoubleWord d = DoubleWord(u[j + n]) - carry - borrow;
        u[j + n] = Word(d);
        if (d >> 63) {
            // Estimate one too large: add the divisor back once.
            u[j + n] += addWords(u + j, u + j, v, n);
        }
    }

    std::memset(r, 0, na * sizeof(Word));
    for (std::size_t i = 0; i < n; ++i)
        r[i] = shift ? u[i] >> shift | u[i + 1] << (32 - shift) : u[i];
    secureWipe(u, sizeof u);
    return 0;
}

namespace {

constexpr std::size_t kCoefficientWords = kMaxInverseWords + 1;

// A coefficient of the extended Euclidean identity: a sign and a magnitude one word (four
// bytes) wider than the operands.
struct Coefficient {
    bool negative;
    Word magnitude[kCoefficientWords];
};

void setSmall(Coefficient& c, Word value, std::size_t width) {
    c.negative = false;
    std::memset(c.magnitude, 0, width * sizeof(Word));
    c.magnitude[0] = value;
}

// c += (negate ? -1 : 1)·other. Returns the carry out of the widened magnitude; a carry cannot
// occur for operands below the modulus, so one is reported on standard output as the named
// diagnostic word (none when diagnostic is null).
Word addSigned(Coefficient& c, const Word* other, bool negate, std::size_t width,
               const char* diagnostic) {
    Word carry = 0;
    if (c.negative == negate) {
        carry = addWords(c.magnitude, c.magnitude, other, width);
        if (carry && diagnostic)
            std::fputs(diagnostic, stdout);
    } else if (compareWords(c.magnitude, width, other, width) >= 0) {
        subtractWords(c.magnitude, c.magnitude, other, width);
    } else {
        subtractWords(c.magnitude, other, c.magnitude, width);
        c.negative = negate;
    }
    if (isZero(c.magnitude, width))
        c.negative = false;
    return carry;
}

// One halving step of HAC 14.61 on u and its pair (first, second): first gets y added and
// second gets x subtracted when either is odd.
void halveWithCoefficients(Word* u, std::size_t n, Coefficient& first, Coefficient& second,
                           const Word* xWide, const Word* yWide, std::size_t width,
                           const char* firstWord, const char* secondWord) {
    while ((u[0] & 1) == 0) {
        halveWords(u, n, 0);
        Word firstCarry = 0;
        Word secondCarry = 0;
        if ((first.magnitude[0] & 1) || (second.magnitude[0] & 1)) {
            firstCarry = addSigned(first, yWide, false, width, firstWord);
            secondCarry = addSigned(second, xWide, true, width, secondWord);
        }
        halveWords(first.magnitude, width, firstCarry);
        halveWords(second.magnitude, width, secondCarry);
    }
}

} // namespace

unsigned inverseWords(Word* r, const Word* x, const Word* y, std::size_t n) {
    if (n == 0 || n > kMaxInverseWords || isZero(x, n) || isZero(y, n))
        return kNoInverse;
    const std::size_t width = n + 1;
    Word xWide[kCoefficientWords] = {};
    Word yWide[kCoefficientWords] = {};
    std::memcpy(xWide, x, n * sizeof(Word));
    std::memcpy(yWide, y, n * sizeof(Word));

    unsigned commonTwos = 0;
    while (((xWide[0] | yWide[0]) & 1) == 0) {
        halveWords(xWide, n, 0);
        halveWords(yWide, n, 0);
        ++commonTwos;
    }

    Word u[kMaxInverseWords];
    Word v[kMaxInverseWords];
    std::memcpy(u, xWide, n * sizeof(Word));
    std::memcpy(v, yWide, n * sizeof(Word));
    Coefficient A, B, C, D;
    setSmall(A, 1, width);
    setSmall(B, 0, width);
    setSmall(C, 0, width);
    setSmall(D, 1, width);

    do {
        halveWithCoefficients(u, n, A, B, xWide, yWide, width, "fuck1", "fuck2");
        halveWithCoefficients(v, n, C, D, xWide, yWide, width, nullptr, "fuck!!");
        if (compareWords(u, n, v, n) >= 0) {
            subtractWords(u, u, v, n);
            addSigned(A, C.magnitude, !C.negative, width, "fuck3");
            addSigned(B, D.magnitude, !D.negative, width, "fuck4");
        } else {
            subtractWords(v, v, u, n);
            addSigned(C, A.magnitude, !A.negative, width, nullptr);
            addSigned(D, B.magnitude, !B.negative, width, nullptr);
        }
    } while (!isZero(u, n));

    Word one[kMaxInverseWords] = {1};
    if (commonTwos != 0 || compareWords(v, n, one, n) != 0) {
        std::memset(r, 0, n * sizeof(Word));
        return kNoInverse;
    }
    // C·x + D·y = 1: C mod y is the inverse, taken from y when C is negative.
    Word reduced[kCoefficientWords];
    remainderWords(reduced, C.magnitude, width, y, n);
    if (C.negative && !isZero(reduced, n))
        subtractWords(reduced, y, reduced, n);
    std::memcpy(r, reduced, n * sizeof(Word));
    return 0;
}

} // namespace gost
