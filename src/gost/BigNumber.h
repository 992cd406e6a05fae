#pragma once

#include <cstddef>
#include <cstdint>

// Unsigned numbers as arrays of 32-bit words, least significant word first: the signer's
// little-endian byte strings read four bytes at a time. Lengths are counted in words.
namespace gost {

using Word = std::uint32_t;
using DoubleWord = std::uint64_t;

// Largest dividend the remainder accepts, in words (a 68-byte sum is 17).
constexpr std::size_t kMaxDividendWords = 17;
// Largest operand the inverse accepts, in words.
constexpr std::size_t kMaxInverseWords = 8;

// Failure codes shared with the signer.
constexpr unsigned kZeroModulus = 15;
constexpr unsigned kNoInverse = 17;

void loadWords(Word* words, const std::uint8_t* bytes, std::size_t wordCount);
void storeWords(std::uint8_t* bytes, const Word* words, std::size_t wordCount);

bool isZero(const Word* a, std::size_t n);

// r = a + b; returns the carry out. r may be a or b.
Word addWords(Word* r, const Word* a, const Word* b, std::size_t n);

// r = a - b; returns the borrow out. r may be a or b.
Word subtractWords(Word* r, const Word* a, const Word* b, std::size_t n);

// Sign of a - b: significant length first, then from the most significant word down.
int compareWords(const Word* a, std::size_t na, const Word* b, std::size_t nb);

// a = (topBit·2^(32n) + a) / 2.
void halveWords(Word* a, std::size_t n, Word topBit);

// r[na + nb] = a·b (schoolbook). r must not overlap a or b.
void multiplyWords(Word* r, const Word* a, std::size_t na, const Word* b, std::size_t nb);

// r[na] = a mod m by long division (na <= kMaxDividendWords); r may be a.
// Returns 0, or kZeroModulus (r untouched).
unsigned remainderWords(Word* r, const Word* a, std::size_t na, const Word* m, std::size_t nm);

// r[n] = x⁻¹ mod y by the binary extended Euclidean algorithm (n <= kMaxInverseWords).
// Returns 0, or kNoInverse: r zero-filled when gcd(x, y) != 1, untouched when x, y or n is zero.
unsigned inverseWords(Word* r, const Word* x, const Word* y, std::size_t n);

} // namespace gost
