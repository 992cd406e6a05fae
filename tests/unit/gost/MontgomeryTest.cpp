// The modular layer under the 2012 curves, on its rare paths: a product whose first fold
// carries out of the top limb (only values within c² of 2^(N·w) do, which random operands
// practically never reach), checked against repeated doubling by addition.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Montgomery.h"

using namespace gost::mont;

namespace {

// The bytes of x = (3·2^(bits-1) - δ)/c·2 + 1 with δ = 3·2^(bits-1) mod c, least significant
// first: times 2^(bits-1), its product folds to a value that carries out a second time.
std::vector<std::uint8_t> foldEdgeOperand(std::size_t bits, std::uint32_t c) {
    // 3·2^(bits-1) in 32-bit words, most significant first, divided by c.
    std::vector<std::uint32_t> words(bits / 32 + 1, 0);
    words[0] = 1;
    words[1] = 0x80000000u;
    std::uint64_t remainder = 0;
    for (auto& w : words) {
        const std::uint64_t current = (remainder << 32) | w;
        w = std::uint32_t(current / c);
        remainder = current % c;
    }
    // x = 2·quotient + 1 (the quotient is far below 2^(bits-1)).
    std::vector<std::uint8_t> bytes(bits / 8, 0);
    std::uint32_t carry = 1;
    for (std::size_t i = 0; i < bits / 32; ++i) {
        const std::uint32_t w = words[words.size() - 1 - i];
        const std::uint32_t doubled = (w << 1) | carry;
        carry = w >> 31;
        for (unsigned b = 0; b < 4; ++b)
            bytes[4 * i + b] = std::uint8_t(doubled >> (8 * b));
    }
    return bytes;
}

template <std::size_t N> void checkFoldEdge(std::uint32_t c) {
    const std::size_t bits = N * kLimbBits;
    std::vector<std::uint8_t> p(bits / 8, 0xFF);
    const std::uint32_t low = 0u - c;
    for (unsigned b = 0; b < 4; ++b)
        p[b] = std::uint8_t(low >> (8 * b));
    Modulus<N> m;
    m.load(p.data());

    Limb x[N], y[N] = {};
    loadLittleEndian<N>(x, foldEdgeOperand(bits, c).data());
    y[N - 1] = Limb(1) << (kLimbBits - 1);
    Element<N> a, b, product, expected;
    m.toMont(a, x);
    m.toMont(b, y);
    m.mul(product, a, b);
    expected = a;
    for (std::size_t i = 0; i + 1 < bits; ++i)
        m.add(expected, expected, expected);
    EXPECT_TRUE(Modulus<N>::equalMask(product, expected)) << bits << " bits";
    // And the other order, and squares of the largest elements.
    m.mul(product, b, a);
    EXPECT_TRUE(Modulus<N>::equalMask(product, expected)) << bits << " bits";
    Limb top[N];
    loadLittleEndian<N>(top, p.data());
    top[0] -= 1; // p - 1, which squares to 1
    const Limb unit[N] = {1};
    Element<N> minusOne, one;
    m.toMont(minusOne, top);
    m.mul(product, minusOne, minusOne);
    m.toMont(one, unit);
    EXPECT_TRUE(Modulus<N>::equalMask(product, one)) << bits << " bits";
}

} // namespace

TEST(Montgomery, FoldingProductThatCarriesTwice) {
    checkFoldEdge<kLimbs<256>>(617); // 2^256 - 617
    checkFoldEdge<kLimbs<512>>(569); // 2^512 - 569
}
