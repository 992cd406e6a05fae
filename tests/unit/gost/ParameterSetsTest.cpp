#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "CurvePoint.h"
#include "ParameterSets.h"

using namespace gost;

class EachParameterSet : public ::testing::TestWithParam<char> {
protected:
    CurveContext curve;
    void SetUp() override { ASSERT_TRUE(loadCurve(GetParam(), curve)); }
};

TEST_P(EachParameterSet, BasePointLiesOnTheCurve) {
    EXPECT_TRUE(isOnCurve(curve, curve.base.x, curve.base.y));
    Word y[kFieldWords];
    std::memcpy(y, curve.base.y, sizeof y);
    y[0] ^= 1;
    EXPECT_FALSE(isOnCurve(curve, curve.base.x, y));
}

TEST_P(EachParameterSet, BasePointHasOrderQ) {
    ProjectivePoint out;
    EXPECT_EQ(scalarMultiply(curve, out, curve.q, curve.base), kInfinity);

    // (q - 1)·P = -P.
    Word k[kFieldWords];
    std::memcpy(k, curve.q, sizeof k);
    k[0] -= 1;
    ASSERT_EQ(scalarMultiply(curve, out, k, curve.base), 0u);
    Word x[kFieldWords], y[kFieldWords], negY[kFieldWords];
    ASSERT_EQ(toAffine(curve, x, y, out), 0u);
    EXPECT_EQ(std::memcmp(x, curve.base.x, sizeof x), 0);
    subtractWords(negY, curve.field.p, curve.base.y, kFieldWords);
    EXPECT_EQ(std::memcmp(y, negY, sizeof y), 0);

    Word zero[kFieldWords] = {};
    EXPECT_EQ(scalarMultiply(curve, out, zero, curve.base), kInfinity);
}

TEST_P(EachParameterSet, CombinedMultiplicationMatchesSingleOnes) {
    // 3·P + (q - 1)·P = 2·P, and k·P + (q - k)·P is the point at infinity.
    const Word one[kFieldWords] = {1}, two[kFieldWords] = {2}, three[kFieldWords] = {3};
    Word qMinus[kFieldWords];
    subtractWords(qMinus, curve.q, one, kFieldWords);
    ProjectivePoint combined, single;
    ASSERT_EQ(doubleScalarMultiply(curve, combined, three, curve.base, qMinus, curve.base), 0u);
    ASSERT_EQ(scalarMultiply(curve, single, two, curve.base), 0u);
    Word x1[kFieldWords], y1[kFieldWords], x2[kFieldWords], y2[kFieldWords];
    ASSERT_EQ(toAffine(curve, x1, y1, combined), 0u);
    ASSERT_EQ(toAffine(curve, x2, y2, single), 0u);
    EXPECT_EQ(std::memcmp(x1, x2, sizeof x1), 0);
    EXPECT_EQ(std::memcmp(y1, y2, sizeof y1), 0);

    subtractWords(qMinus, curve.q, three, kFieldWords);
    EXPECT_EQ(doubleScalarMultiply(curve, combined, three, curve.base, qMinus, curve.base),
              kInfinity);
}

TEST_P(EachParameterSet, WindowedMultiplicationMatchesTheLadder) {
    // Scalars with zero and full windows, at both ends of the range, and seeded random ones.
    using Scalar = std::vector<Word>;
    const auto word = [](Word low) {
        Scalar k(kFieldWords, 0);
        k[0] = low;
        return k;
    };
    std::vector<Scalar> scalars = {word(1),  word(2),  word(15),
                                   word(16), word(17), word(0xF0F0F0F0)};
    Scalar highWindowOnly(kFieldWords, 0), lowAndHigh(kFieldWords, 0), allOnes(kFieldWords, ~0u);
    highWindowOnly[7] = 0x10000000;
    lowAndHigh[7] = 0x10000000;
    lowAndHigh[0] = 1;
    allOnes[7] = 0x0FFFFFFF;
    scalars.insert(scalars.end(), {highWindowOnly, lowAndHigh, allOnes});
    for (Word below : {1u, 2u, 16u, 17u}) {
        Scalar k(curve.q, curve.q + kFieldWords);
        const Word small[kFieldWords] = {below};
        subtractWords(k.data(), k.data(), small, kFieldWords);
        scalars.push_back(k);
    }
    std::mt19937 rng(17);
    for (int i = 0; i < 8; ++i) {
        Scalar k(kFieldWords);
        for (Word& w : k)
            w = Word(rng());
        remainderWords(k.data(), k.data(), kFieldWords, curve.q, kFieldWords);
        scalars.push_back(k);
    }

    for (const Scalar& k : scalars) {
        ProjectivePoint ladder, windowed;
        ASSERT_EQ(scalarMultiply(curve, ladder, k.data(), curve.base), 0u);
        ASSERT_EQ(windowMultiply(curve, windowed, k.data(), curve.base), 0u);
        Word x1[kFieldWords], y1[kFieldWords], x2[kFieldWords], y2[kFieldWords];
        ASSERT_EQ(toAffine(curve, x1, y1, ladder), 0u);
        ASSERT_EQ(toAffine(curve, x2, y2, windowed), 0u);
        EXPECT_EQ(std::memcmp(x1, x2, sizeof x1), 0) << "k[0] = " << k[0];
        EXPECT_EQ(std::memcmp(y1, y2, sizeof y1), 0) << "k[0] = " << k[0];
    }
    const Word zero[kFieldWords] = {};
    ProjectivePoint out;
    EXPECT_EQ(windowMultiply(curve, out, zero, curve.base), kInfinity);
}

TEST_P(EachParameterSet, SlotLengthsFollowTheValues) {
    const ParameterSet* set = parameterSetByLetter(GetParam());
    ASSERT_NE(set, nullptr);
    for (const Slot* s : {&set->a, &set->b, &set->p, &set->q, &set->x, &set->y}) {
        std::size_t length = 32;
        while (length > 0 && s->value[length - 1] == 0)
            --length;
        EXPECT_EQ(s->length, length);
        EXPECT_EQ(s->reserved[0] | s->reserved[1] | s->reserved[2], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(AllSets, EachParameterSet, ::testing::Values('T', 'A', 'B', 'C'));

TEST(ParameterSets, ChosenByObjectIdentifier) {
    struct Case {
        std::uint8_t last[2];
        char letter;
    };
    const Case cases[] = {{{0x23, 0x00}, 'T'}, {{0x23, 0x01}, 'A'}, {{0x23, 0x02}, 'B'},
                          {{0x23, 0x03}, 'C'}, {{0x24, 0x00}, 'A'}, {{0x24, 0x01}, 'C'},
                          {{0x23, 0x04}, 0},   {{0x24, 0x02}, 0}};
    for (const Case& c : cases) {
        const std::uint8_t der[] = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, c.last[0], c.last[1]};
        EXPECT_EQ(parameterSetLetter(der, sizeof der), c.letter);
    }
    EXPECT_EQ(parameterSetLetter(kSigningParameterSetOid, sizeof kSigningParameterSetOid), 'A');
    EXPECT_EQ(parameterSetLetter(kSigningParameterSetOid, 8), 0);
    EXPECT_EQ(parameterSetByLetter('A')->x.length, 1);
    EXPECT_EQ(parameterSetByLetter('T')->a.length, 1);
    EXPECT_EQ(parameterSetByLetter('C')->x.length, 0);
}
