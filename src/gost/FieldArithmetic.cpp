#include "FieldArithmetic.h"

#include <cstdint>
#include <cstring>

namespace gost {

namespace {

// A column sum of product scanning, with the low and the high halves of the products summed
// apart in two double words: no sum can overflow, so no carry flag chains one product to the
// next and the products of a column add up in parallel.
struct Column {
    DoubleWord low = 0; // also holds what carries in from the column below
    DoubleWord high = 0;

    [[gnu::always_inline]] void add(DoubleWord product) {
        low += Word(product);
        high += product >> 32;
    }
    // The low word is the result word; the rest carries into the next column.
    [[gnu::always_inline]] Word next() {
        const Word out = Word(low);
        low = (low >> 32) + high;
        high = 0;
        return out;
    }
};

[[gnu::always_inline]] inline void scanProduct(Word* r, const Word* a, const Word* b) {
    Column sum;
#pragma GCC unroll 16
    for (std::size_t k = 0; k < 15; ++k) {
#pragma GCC unroll 8
        for (std::size_t i = k < 8 ? 0 : k - 7; i <= k && i < 8; ++i)
            sum.add(DoubleWord(a[i]) * b[k - i]);
        r[k] = sum.next();
    }
    r[15] = Word(sum.low);
}

[[gnu::always_inline]] inline void scanSquare(Word* r, const Word* a) {
    Column sum;
#pragma GCC unroll 16
    for (std::size_t k = 0; k < 15; ++k) {
        // Cross products a[i]·a[k-i], i < k - i, summed once and doubled by a shift.
        Column cross;
#pragma GCC unroll 4
        for (std::size_t i = k < 8 ? 0 : k - 7; 2 * i < k; ++i)
            cross.add(DoubleWord(a[i]) * a[k - i]);
        sum.low += cross.low << 1;
        sum.high += cross.high << 1;
        if (k % 2 == 0)
            sum.add(DoubleWord(a[k / 2]) * a[k / 2]);
        r[k] = sum.next();
    }
    r[15] = Word(sum.low);
}

constexpr Word kFoldFactor = 617; // 2^256 mod p for p = 2^256 - 617

// All ones when bit is 1, else zero: selections without a branch on secret values.
inline Word maskOf(Word bit) {
    return Word(0) - bit;
}

// r = a when bit is 1, else r unchanged.
[[gnu::always_inline]] inline void select(Word* r, const Word* a, Word bit) {
    const Word mask = maskOf(bit);
#pragma GCC unroll 8
    for (std::size_t i = 0; i < kFieldWords; ++i)
        r[i] ^= (r[i] ^ a[i]) & mask;
}

// Carry chains in a signed double word: each word's terms plus what the word below carried
// (negative for a borrow) leave the word's bits, and the arithmetic shift carries the rest.
using SignedDoubleWord = std::int64_t;

// (carry·2^256 + r) mod p for p = 2^256 - 617 and carry below 2^16. V = r + 617·carry is
// congruent; what is left is one step more of folding or one subtraction of p, and each of them
// moves only the low word and clears the others:
// - V carried out of 256 bits: the 256 bits left are below 2^26, and 617 more is the value;
// - V in [p, 2^256), all upper words all ones and the low word at least 2^32 - 617: V - p is
//   V + 617 - 2^256, the low word plus 617 with the upper words zero.
[[gnu::always_inline]] inline void settleFolded(Word* r, Word carry) {
    DoubleWord v = DoubleWord(carry) * kFoldFactor;
    Word upper = ~Word(0);
#pragma GCC unroll 8
    for (std::size_t i = 0; i < kFieldWords; ++i) {
        v += r[i];
        r[i] = Word(v);
        v >>= 32;
        if (i > 0)
            upper &= r[i];
    }
    const Word notBelowP = Word(upper == ~Word(0)) & Word(r[0] >= Word(0) - kFoldFactor);
    r[0] += kFoldFactor * (Word(v) | notBelowP);
    const Word clear = ~maskOf(notBelowP);
#pragma GCC unroll 7
    for (std::size_t i = 1; i < kFieldWords; ++i)
        r[i] &= clear;
}

// r = t mod p for p = 2^256 - 617 and a t of n <= 16 words: H·2^256 + L becomes L + 617·H,
// below 2^266, which then settles below p.
[[gnu::always_inline]] inline void foldReduce(Word* r, const Word* t, std::size_t n) {
    DoubleWord sum = 0;
#pragma GCC unroll 8
    for (std::size_t i = 0; i < kFieldWords; ++i) {
        sum += t[i];
        if (kFieldWords + i < n)
            sum += DoubleWord(t[kFieldWords + i]) * kFoldFactor;
        r[i] = Word(sum);
        sum >>= 32;
    }
    settleFolded(r, Word(sum));
}

} // namespace

void multiplyEightWords(Word* r, const Word* a, const Word* b) {
    scanProduct(r, a, b);
}

void squareEightWords(Word* r, const Word* a) {
    scanSquare(r, a);
}

void fieldCanonical(const Field& f, Word* a) {
    Word reduced[kFieldWords];
    select(a, reduced, Word(1) ^ subtractWords(reduced, a, f.p, kFieldWords));
}

void fieldReduce(const Field& f, Word* r, const Word* t, std::size_t n) {
    if (f.folding) {
        foldReduce(r, t, n);
        return;
    }
    Word rest[kMaxDividendWords];
    remainderWords(rest, t, n, f.p, kFieldWords); // p is never zero here
    std::memcpy(r, rest, kFieldWords * sizeof(Word));
}

void fieldMultiply(const Field& f, Word* r, const Word* a, const Word* b) {
    Word product[2 * kFieldWords];
    scanProduct(product, a, b);
    if (f.folding)
        foldReduce(r, product, 2 * kFieldWords);
    else
        fieldReduce(f, r, product, 2 * kFieldWords);
}

void fieldSquare(const Field& f, Word* r, const Word* a) {
    Word product[2 * kFieldWords];
    scanSquare(product, a);
    if (f.folding)
        foldReduce(r, product, 2 * kFieldWords);
    else
        fieldReduce(f, r, product, 2 * kFieldWords);
}

void fieldMultiplySmall(const Field& f, Word* r, const Word* a, Word factor) {
    Word product[kFieldWords + 1];
    DoubleWord carry = 0;
#pragma GCC unroll 8
    for (std::size_t i = 0; i < kFieldWords; ++i) {
        carry += DoubleWord(a[i]) * factor;
        product[i] = Word(carry);
        carry >>= 32;
    }
    product[kFieldWords] = Word(carry);
    if (f.folding) {
        std::memcpy(r, product, kFieldWords * sizeof(Word));
        settleFolded(r, product[kFieldWords]);
    } else {
        fieldReduce(f, r, product, kFieldWords + 1);
    }
}

void fieldAdd(const Field& f, Word* r, const Word* a, const Word* b) {
    // a + b and a + b - p side by side; the second when the first carries out.
    DoubleWord sum = 0;
    SignedDoubleWord less = 0;
    Word lessP[kFieldWords];
#pragma GCC unroll 8
    for (std::size_t i = 0; i < kFieldWords; ++i) {
        const DoubleWord x = DoubleWord(a[i]) + b[i];
        sum += x;
        less += SignedDoubleWord(x) - f.p[i];
        r[i] = Word(sum);
        lessP[i] = Word(less);
        sum >>= 32;
        less >>= 32;
    }
    select(r, lessP, Word(sum));
}

void fieldSubtract(const Field& f, Word* r, const Word* a, const Word* b) {
    // a - b and a - b + p side by side; the second when the first borrows.
    SignedDoubleWord difference = 0;
    SignedDoubleWord plus = 0;
    Word plusP[kFieldWords];
#pragma GCC unroll 8
    for (std::size_t i = 0; i < kFieldWords; ++i) {
        const SignedDoubleWord x = SignedDoubleWord(a[i]) - b[i];
        difference += x;
        plus += x + f.p[i];
        r[i] = Word(difference);
        plusP[i] = Word(plus);
        difference >>= 32;
        plus >>= 32;
    }
    select(r, plusP, Word(difference) & 1);
}

} // namespace gost
