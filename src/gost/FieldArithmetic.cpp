#include "FieldArithmetic.h"

#include <cstring>

namespace gost {

namespace {

constexpr DoubleWord kFoldFactor = 617; // 2^256 mod p for p = 2^256 - 617

// H·2^256 + L becomes L + 617·H until the value is below 2^256, then below p. After the first
// step H is below 2^42, so it stays in one double word.
[[gnu::always_inline]] inline void foldReduce(const Field& f, Word* r, const Word* t,
                                              std::size_t n) {
    const std::size_t high = n > kFieldWords ? n - kFieldWords : 0;
    DoubleWord carry = 0;
    for (std::size_t i = 0; i < kFieldWords; ++i) {
        carry += t[i];
        if (i < high)
            carry += kFoldFactor * t[kFieldWords + i];
        r[i] = Word(carry);
        carry >>= 32;
    }
    for (std::size_t i = kFieldWords; i < high; ++i) // t of 17 words: its top word
        carry += kFoldFactor * t[kFieldWords + i] << (32 * (i - kFieldWords));
    while (carry) {
        carry *= kFoldFactor;
        for (std::size_t i = 0; i < kFieldWords; ++i) {
            carry += r[i];
            r[i] = Word(carry);
            carry >>= 32;
        }
    }
    fieldCanonical(f, r);
}

} // namespace

void fieldCanonical(const Field& f, Word* a) {
    Word reduced[kFieldWords];
    if (!subtractWords(reduced, a, f.p, kFieldWords))
        std::memcpy(a, reduced, sizeof reduced);
}

void fieldReduce(const Field& f, Word* r, const Word* t, std::size_t n) {
    if (f.folding) {
        // A constant length lets the compiler unroll the common 16-word case.
        if (n == 2 * kFieldWords)
            foldReduce(f, r, t, 2 * kFieldWords);
        else
            foldReduce(f, r, t, n);
        return;
    }
    Word rest[kMaxDividendWords];
    remainderWords(rest, t, n, f.p, kFieldWords); // p is never zero here
    std::memcpy(r, rest, kFieldWords * sizeof(Word));
}

void fieldMultiply(const Field& f, Word* r, const Word* a, const Word* b) {
    Word product[2 * kFieldWords];
    multiplyWords(product, a, kFieldWords, b, kFieldWords);
    fieldReduce(f, r, product, 2 * kFieldWords);
}

void fieldSquare(const Field& f, Word* r, const Word* a) {
    Word product[2 * kFieldWords];
    squareWords(product, a, kFieldWords);
    fieldReduce(f, r, product, 2 * kFieldWords);
}

void fieldMultiplySmall(const Field& f, Word* r, const Word* a, Word factor) {
    Word product[kFieldWords + 1];
    multiplyWords(product, a, kFieldWords, &factor, 1);
    fieldReduce(f, r, product, kFieldWords + 1);
}

void fieldAdd(const Field& f, Word* r, const Word* a, const Word* b) {
    if (addWords(r, a, b, kFieldWords))
        subtractWords(r, r, f.p, kFieldWords);
}

void fieldSubtract(const Field& f, Word* r, const Word* a, const Word* b) {
    if (subtractWords(r, a, b, kFieldWords))
        addWords(r, r, f.p, kFieldWords);
}

} // namespace gost
