#include "Encodings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct HexCase {
    std::string text;
    Bytes bytes;
};

class HexToBytesTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexToBytesTest, ReadsEachPairAlone) {
    EXPECT_EQ(hexToBytes(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HexToBytesTest,
    ::testing::Values(HexCase{"", {}}, HexCase{"a", {}}, HexCase{"0a1B", {10, 27}},
                      HexCase{"abc", {171}}, HexCase{"ff00", {255, 0}},
                      // A stream skips blanks, takes a sign and stops at the first non-digit.
                      HexCase{" a", {10}}, HexCase{"a ", {10}}, HexCase{"+f", {15}},
                      HexCase{"-1", {255}}, HexCase{"7g12", {7, 18}}));

TEST(BytesToHexTest, WritesUpperCaseDigitPairs) {
    EXPECT_EQ(bytesToHex({}), "");
    EXPECT_EQ(bytesToHex({10, 255}), "0AFF");
    EXPECT_EQ(bytesToHex(hexToBytes("ff00")), "FF00");
    EXPECT_EQ(bytesToHex({0x00, 0x01, 0xab, 0xcd, 0xef}), "0001ABCDEF");
}

TEST(UnscrambleHexTest, ReplacesOnlyTheAlphabetsLetters) {
    EXPECT_EQ(unscrambleHex("PLOKIJUHYGTFRDES"), "0123456789ABCDEF");
    // Digits stay; lower-case letters stay even where the upper-case one is in the alphabet.
    EXPECT_EQ(unscrambleHex("0129plokxyZ"), "0129plokxyZ");
    // Each character is looked up once: "S" becomes "F", which is not replaced again by "B".
    EXPECT_EQ(unscrambleHex("EDS"), "EDF");
    EXPECT_EQ(unscrambleHex("P1L2"), "0112");
    EXPECT_EQ(unscrambleHex(""), "");
}

TEST(ContainerDisplayNameTest, ReplacesTheFirstSeparatorOnly) {
    EXPECT_EQ(containerDisplayName("a#%#b#%#c"), "a - b#%#c");
    EXPECT_EQ(containerDisplayName("#%#"), " - ");
    EXPECT_EQ(containerDisplayName("plain"), "plain");
    EXPECT_EQ(containerDisplayName("#%"), "#%");
    EXPECT_EQ(containerDisplayName(""), "");
}

TEST(Encodings, PinRequestTextNamesTheSiteAfterAUnitSeparator) {
    EXPECT_EQ(pinRequestText("box", ""), "box");
    EXPECT_EQ(pinRequestText("", "https://a.example"), "\x1fhttps://a.example");
    EXPECT_EQ(pinRequestText("a - b", "https://a.example"), "a - b\x1fhttps://a.example");
    // A page cannot name a site of its own through the container name, nor add lines or
    // padding to it: the name arrives cleaned and cut (the cases are PromptText's).
    EXPECT_EQ(pinRequestText("x\x1fhttps://bank.example", ""), "xhttps://bank.example");
    EXPECT_EQ(pinRequestText("x\x1fhttps://bank.example", "https://a.example"),
              "xhttps://bank.example\x1fhttps://a.example");
    EXPECT_EQ(pinRequestText("k\".\nRequested by https://bank.example.\n\xE2\x80\x83\xE2\x80\x83",
                             "https://a.example"),
              "k\". Requested by https://bank.example.\x1fhttps://a.example");
}

struct OrderCase {
    Bytes in;
    Bytes reversed;
    Bytes halvesReversed;
};

class ByteOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ByteOrderTest, ReversesInPlace) {
    Bytes whole = GetParam().in;
    reverseBytes(whole);
    EXPECT_EQ(whole, GetParam().reversed);
    Bytes halves = GetParam().in;
    reverseHalves(halves);
    EXPECT_EQ(halves, GetParam().halvesReversed);
}

INSTANTIATE_TEST_SUITE_P(Table, ByteOrderTest,
                         ::testing::Values(OrderCase{{}, {}, {}}, OrderCase{{1}, {1}, {1}},
                                           OrderCase{{1, 2, 3, 4}, {4, 3, 2, 1}, {2, 1, 4, 3}},
                                           // The middle byte of an odd length is the second
                                           // half's.
                                           OrderCase{{1, 2, 3}, {3, 2, 1}, {1, 3, 2}}));

TEST(SwapHalvesTest, ExchangesHalvesKeepingTheirOrder) {
    EXPECT_EQ(swapHalves({1, 2, 3, 4}), (Bytes{3, 4, 1, 2}));
    EXPECT_EQ(swapHalves({}), Bytes{});
    Bytes signature(64);
    for (int i = 0; i < 64; ++i)
        signature[i] = static_cast<unsigned char>(i);
    const Bytes swapped = swapHalves(signature);
    EXPECT_EQ(swapped.front(), 32);
    EXPECT_EQ(swapped[31], 63);
    EXPECT_EQ(swapped[32], 0);
    EXPECT_EQ(swapped.back(), 31);
}

} // namespace
