#pragma once

#include "BigNumber.h"

// Arithmetic modulo the field prime p of a curve, on 8-word (32-byte) elements. The selections
// inside depend on no value: no branch or memory access follows a secret.
namespace gost {

constexpr std::size_t kFieldWords = 8;

struct Field {
    Word p[kFieldWords];
    // p = 2^256 - 617 (CryptoPro-A): reduce by folding instead of long division.
    bool folding;
};

// r[16] = a·b for 8-word a and b, one result word at a time (product scanning), so that the
// running sum stays in registers. r must not overlap a or b.
void multiplyEightWords(Word* r, const Word* a, const Word* b);

// r[16] = a² for an 8-word a, each cross product computed once and doubled. r must not
// overlap a.
void squareEightWords(Word* r, const Word* a);

// r[8] = t mod p for a t of n <= 16 words; r is below p.
void fieldReduce(const Field& f, Word* r, const Word* t, std::size_t n);

// r = a·b mod p, below p, for any a, b below 2^256. r may be a or b.
void fieldMultiply(const Field& f, Word* r, const Word* a, const Word* b);

// r = a² mod p, below p.
void fieldSquare(const Field& f, Word* r, const Word* a);

// r = factor·a mod p, below p, for a factor below 2^16 (the formulas use 2, 3, 4 and 8).
void fieldMultiplySmall(const Field& f, Word* r, const Word* a, Word factor);

// r = a + b for a below 2^256 and b below p, p subtracted once when the sum carries out of
// 256 bits: r is congruent but may lie in [p, 2^256), fit as a factor of a multiplication.
void fieldAdd(const Field& f, Word* r, const Word* a, const Word* b);

// r = a - b, p added when it borrows; below p when a and b are.
void fieldSubtract(const Field& f, Word* r, const Word* a, const Word* b);

// a below p: subtract p once if a is not (enough for any value below 2^256).
void fieldCanonical(const Field& f, Word* a);

} // namespace gost
