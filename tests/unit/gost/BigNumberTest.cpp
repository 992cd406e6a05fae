#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>

#include "BigNumber.h"
#include "FieldArithmetic.h"
#include "GostTestSupport.h"

using namespace gost;
using namespace gost::test;

namespace {

using Number = std::array<Word, 8>;
using Product = std::array<Word, 16>;

const Number kPrimeA =
    wordsFromHex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97");

Number randomNumber(std::mt19937& rng) {
    Number n;
    for (Word& w : n)
        w = Word(rng());
    return n;
}

Product product(const Number& a, const Number& b) {
    Product p;
    multiplyWords(p.data(), a.data(), 8, b.data(), 8);
    return p;
}

Number remainderOf(const Word* t, std::size_t n, const Number& m) {
    Word r[kMaxDividendWords];
    EXPECT_EQ(remainderWords(r, t, n, m.data(), 8), 0u);
    Number out;
    std::memcpy(out.data(), r, sizeof out);
    for (std::size_t i = 8; i < n; ++i)
        EXPECT_EQ(r[i], 0u) << "upper words of the remainder";
    return out;
}

Number folded(const Product& t) {
    Field field;
    field.folding = true;
    std::memcpy(field.p, kPrimeA.data(), sizeof field.p);
    Number r;
    fieldReduce(field, r.data(), t.data(), 16);
    return r;
}

} // namespace

TEST(BigNumber, SquareEqualsProductWithItself) {
    std::mt19937 rng(1);
    for (int i = 0; i < 200; ++i) {
        const Number a = randomNumber(rng);
        Product sq;
        squareEightWords(sq.data(), a.data());
        EXPECT_EQ(sq, product(a, a));
    }
    Number max;
    max.fill(0xFFFFFFFF);
    Product sq;
    squareEightWords(sq.data(), max.data());
    EXPECT_EQ(sq, product(max, max));
}

TEST(BigNumber, LongDivisionLeavesTheAddend) {
    // (a·m + c) mod m = c for c < m, with moduli of one to eight significant words.
    std::mt19937 rng(2);
    for (int words = 1; words <= 8; ++words)
        for (int i = 0; i < 50; ++i) {
            Number m{}, c{};
            for (int w = 0; w < words; ++w)
                m[w] = Word(rng());
            m[words - 1] |= 1u << (rng() % 32);
            const Number a = randomNumber(rng);
            c = remainderOf(randomNumber(rng).data(), 8, m);
            Word t[17];
            multiplyWords(t, a.data(), 8, m.data(), 8);
            std::array<Word, 16> cWide{};
            std::memcpy(cWide.data(), c.data(), sizeof c);
            t[16] = addWords(t, t, cWide.data(), 16);
            EXPECT_EQ(remainderOf(t, 17, m), c) << words << " words";
        }
}

TEST(BigNumber, RemainderEdgeCases) {
    const Number m = kPrimeA;
    Word zero[8] = {};
    Word r[8];
    std::memset(r, 0x55, sizeof r);
    EXPECT_EQ(remainderWords(r, zero, 8, zero, 8), kZeroModulus);
    EXPECT_EQ(r[0], 0x55555555u) << "untouched on failure";
    EXPECT_EQ(remainderOf(zero, 8, m), Number{});
    EXPECT_EQ(remainderOf(m.data(), 8, m), Number{});
    Number below = m;
    below[0] -= 1;
    EXPECT_EQ(remainderOf(below.data(), 8, m), below);
}

TEST(BigNumber, FoldingEqualsLongDivisionAroundMultiplesOfP) {
    // Products k·p + d for d just below and above zero, and random products.
    std::mt19937 rng(3);
    for (int i = 0; i < 300; ++i) {
        Product t;
        if (i < 200) {
            const Number k = randomNumber(rng);
            t = product(k, kPrimeA);
            const Word delta = Word(rng() % 1000);
            std::array<Word, 16> d{};
            d[0] = delta;
            if (i % 2)
                addWords(t.data(), t.data(), d.data(), 16);
            else
                subtractWords(t.data(), t.data(), d.data(), 16);
        } else {
            t = product(randomNumber(rng), randomNumber(rng));
        }
        EXPECT_EQ(folded(t), remainderOf(t.data(), 16, kPrimeA)) << i;
    }
    Product top;
    top.fill(0xFFFFFFFF);
    EXPECT_EQ(folded(top), remainderOf(top.data(), 16, kPrimeA));
    Product pItself{};
    std::memcpy(pItself.data(), kPrimeA.data(), sizeof kPrimeA);
    EXPECT_EQ(folded(pItself), Number{});
}

TEST(BigNumber, InverseTimesValueIsOne) {
    std::mt19937 rng(4);
    for (int i = 0; i < 100; ++i) {
        const Number x = remainderOf(randomNumber(rng).data(), 8, kPrimeA);
        if (x == Number{})
            continue;
        Number inv;
        ASSERT_EQ(inverseWords(inv.data(), x.data(), kPrimeA.data(), 8), 0u);
        Product t = product(x, inv);
        Number one{};
        one[0] = 1;
        EXPECT_EQ(remainderOf(t.data(), 16, kPrimeA), one);
    }
}

TEST(BigNumber, InverseEdgeCases) {
    Number one{}, two{}, four{}, six{}, zero{};
    one[0] = 1;
    two[0] = 2;
    four[0] = 4;
    six[0] = 6;
    Number pMinusOne = kPrimeA;
    pMinusOne[0] -= 1;
    Number r;

    EXPECT_EQ(inverseWords(r.data(), one.data(), kPrimeA.data(), 8), 0u);
    EXPECT_EQ(r, one);
    EXPECT_EQ(inverseWords(r.data(), pMinusOne.data(), kPrimeA.data(), 8), 0u);
    EXPECT_EQ(r, pMinusOne);

    // An even modulus with an odd value still has an inverse: 3·3 = 9 = 1 mod 8.
    Number three{}, eight{};
    three[0] = 3;
    eight[0] = 8;
    EXPECT_EQ(inverseWords(r.data(), three.data(), eight.data(), 8), 0u);
    EXPECT_EQ(r, three);

    // No inverse: zero-filled output.
    r.fill(0x77777777);
    EXPECT_EQ(inverseWords(r.data(), four.data(), six.data(), 8), kNoInverse);
    EXPECT_EQ(r, zero);
    r.fill(0x77777777);
    EXPECT_EQ(inverseWords(r.data(), six.data(), two.data(), 8), kNoInverse);
    EXPECT_EQ(r, zero);

    // Zero operand or length: output untouched.
    r.fill(0x77777777);
    EXPECT_EQ(inverseWords(r.data(), zero.data(), kPrimeA.data(), 8), kNoInverse);
    EXPECT_EQ(inverseWords(r.data(), one.data(), zero.data(), 8), kNoInverse);
    EXPECT_EQ(inverseWords(r.data(), one.data(), kPrimeA.data(), 0), kNoInverse);
    EXPECT_EQ(r[0], 0x77777777u);
}

TEST(BigNumber, CompareByMagnitudeAcrossLengths) {
    const Word a[4] = {5, 0, 0, 0};
    const Word b[2] = {5, 0};
    const Word c[2] = {0, 1};
    EXPECT_EQ(compareWords(a, 4, b, 2), 0);
    EXPECT_LT(compareWords(a, 4, c, 2), 0);
    EXPECT_GT(compareWords(c, 2, a, 4), 0);
}
