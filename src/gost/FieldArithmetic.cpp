#include "FieldArithmetic.h"

#include <cstring>

namespace gost {

namespace {

constexpr DoubleWord kFoldFactor = 617; // 2^256 mod p for p = 2^256 - 617

// H·2^256 + L becomes L + 617·H until the value is below 2^256, then below p.
void foldReduce(const Field& f, Word* r, const Word* t, std::size_t n) {
    Word value[kMaxDividendWords];
    std::memcpy(value, t, n * sizeof(Word));
    while (n > kFieldWords && !isZero(value + kFieldWords, n - kFieldWords)) {
        const std::size_t high = n - kFieldWords;
        const std::size_t length = (high + 1 > kFieldWords ? high + 1 : kFieldWords) + 1;
        Word next[kMaxDividendWords];
        DoubleWord carry = 0;
        for (std::size_t i = 0; i < length; ++i) {
            if (i < kFieldWords)
                carry += value[i];
            if (i < high)
                carry += kFoldFactor * value[kFieldWords + i];
            next[i] = Word(carry);
            carry >>= 32;
        }
        std::memcpy(value, next, length * sizeof(Word));
        n = length;
    }
    std::memcpy(r, value, kFieldWords * sizeof(Word));
    fieldCanonical(f, r);
}

} // namespace

void fieldCanonical(const Field& f, Word* a) {
    if (compareWords(a, kFieldWords, f.p, kFieldWords) >= 0)
        subtractWords(a, a, f.p, kFieldWords);
}

void fieldReduce(const Field& f, Word* r, const Word* t, std::size_t n) {
    if (f.folding) {
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
