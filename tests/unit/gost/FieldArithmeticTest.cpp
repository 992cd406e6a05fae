// The field operations and the product-scanning products against the schoolbook product and
// long division, on edge values where carries pile up and on seeded random values.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "CurvePoint.h"
#include "FieldArithmetic.h"

using namespace gost;

namespace {

using Number = std::array<Word, 8>;
using Product = std::array<Word, 16>;

Product schoolbook(const Number& a, const Number& b) {
    Product p;
    multiplyWords(p.data(), a.data(), 8, b.data(), 8);
    return p;
}

// t mod p by long division, for a t of up to 17 words.
Number longDivision(const Word* t, std::size_t n, const Field& f) {
    Word r[kMaxDividendWords];
    EXPECT_EQ(remainderWords(r, t, n, f.p, 8), 0u);
    Number out;
    std::memcpy(out.data(), r, sizeof out);
    return out;
}

Number modP(const Number& a, const Field& f) {
    return longDivision(a.data(), 8, f);
}

Number small(Word w) {
    Number n{};
    n[0] = w;
    return n;
}

Number plus(const Number& a, Word w) {
    Number r;
    addWords(r.data(), a.data(), small(w).data(), 8);
    return r;
}

Number minus(const Number& a, Word w) {
    Number r;
    subtractWords(r.data(), a.data(), small(w).data(), 8);
    return r;
}

// Values where carries and borrows run through every word, and values around p.
std::vector<Number> edgeValues(const Field& f) {
    Number p;
    std::memcpy(p.data(), f.p, sizeof p);
    Number ones, highBit{}, alternating, lowOnes{}, highOnes{};
    ones.fill(0xFFFFFFFF);
    highBit[7] = 0x80000000;
    for (std::size_t i = 0; i < 8; ++i) {
        alternating[i] = i % 2 ? 0xFFFFFFFF : 0;
        (i < 4 ? lowOnes : highOnes)[i] = 0xFFFFFFFF;
    }
    return {small(0),    small(1),     small(2),    small(616),       small(617),
            small(618),  minus(p, 1),  minus(p, 2), minus(p, 617),    p,
            plus(p, 1),  plus(p, 616), ones,        minus(ones, 1),   highBit,
            alternating, lowOnes,      highOnes,    small(0xFFFFFFFF)};
}

std::vector<Number> randomValues(std::mt19937& rng, std::size_t count) {
    std::vector<Number> values(count);
    for (Number& n : values)
        for (Word& w : n)
            w = Word(rng());
    return values;
}

class EachField : public ::testing::TestWithParam<char> {
protected:
    CurveContext curve;
    void SetUp() override { ASSERT_TRUE(loadCurve(GetParam(), curve)); }

    // Every pair of edge values, then random pairs.
    std::vector<std::pair<Number, Number>> pairs() const {
        const std::vector<Number> edges = edgeValues(curve.field);
        std::vector<std::pair<Number, Number>> out;
        for (const Number& a : edges)
            for (const Number& b : edges)
                out.emplace_back(a, b);
        std::mt19937 rng(GetParam());
        const std::vector<Number> random = randomValues(rng, 400);
        for (std::size_t i = 0; i + 1 < random.size(); i += 2)
            out.emplace_back(random[i], random[i + 1]);
        return out;
    }
};

} // namespace

TEST_P(EachField, ProductScanningEqualsSchoolbook) {
    for (const auto& [a, b] : pairs()) {
        Product scanned, squared;
        multiplyEightWords(scanned.data(), a.data(), b.data());
        EXPECT_EQ(scanned, schoolbook(a, b));
        squareEightWords(squared.data(), a.data());
        EXPECT_EQ(squared, schoolbook(a, a));
    }
}

TEST_P(EachField, ProductsAndSquaresEqualLongDivision) {
    const Field& f = curve.field;
    for (const auto& [a, b] : pairs()) {
        Number r;
        fieldMultiply(f, r.data(), a.data(), b.data());
        EXPECT_EQ(r, longDivision(schoolbook(a, b).data(), 16, f));
        fieldSquare(f, r.data(), a.data());
        EXPECT_EQ(r, longDivision(schoolbook(a, a).data(), 16, f));
    }
}

TEST_P(EachField, SmallFactorsEqualLongDivision) {
    const Field& f = curve.field;
    std::mt19937 rng(GetParam());
    std::vector<Number> values = edgeValues(f);
    for (const Number& n : randomValues(rng, 100))
        values.push_back(n);
    for (const Number& a : values)
        for (Word factor : {2u, 3u, 4u, 8u, 0xFFFFu}) {
            Number r;
            fieldMultiplySmall(f, r.data(), a.data(), factor);
            Word t[9];
            multiplyWords(t, a.data(), 8, &factor, 1);
            EXPECT_EQ(r, longDivision(t, 9, f)) << "factor " << factor;
        }
}

TEST_P(EachField, SumsAndDifferencesEqualLongDivision) {
    const Field& f = curve.field;
    for (const auto& [anyA, anyB] : pairs()) {
        const Number a = modP(anyA, f), b = modP(anyB, f);
        // A sum of any value with one below p may come out congruent but not below p.
        Number sum;
        fieldAdd(f, sum.data(), anyA.data(), b.data());
        Word wide[9];
        wide[8] = addWords(wide, anyA.data(), b.data(), 8);
        EXPECT_EQ(modP(sum, f), longDivision(wide, 9, f));
        fieldCanonical(f, sum.data());
        EXPECT_EQ(sum, longDivision(wide, 9, f));

        Number difference;
        fieldSubtract(f, difference.data(), a.data(), b.data());
        // a - b + p, below 2^257
        wide[8] = addWords(wide, a.data(), f.p, 8);
        wide[8] -= subtractWords(wide, wide, b.data(), 8);
        EXPECT_EQ(difference, longDivision(wide, 9, f));
    }
}

INSTANTIATE_TEST_SUITE_P(FoldingAndLongDivision, EachField, ::testing::Values('A', 'B'));
