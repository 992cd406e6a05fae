#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "GostCrypto.h"
#include "GostTestSupport.h"
#include "JoiningThread.h"
#include "RandomBytes.h"
#include "kvcSignHash.h"

using namespace gost;
using namespace gost::test;

namespace {

const char* const kKey = "7A929ADE789BB9BE10ED359DD39A72C11B60961F49397EEE1D19CE9891EC3B28";
const char* const kHash = "2DFBC1B372D89A1188C09C52E0EEC61FCE52032AB1022E8E67ECE6672B043EE5";

struct Call {
    bool withSignature = true;
    bool withLength = true;
    std::uint32_t length = 64;
    std::uint32_t keyLength = 32;
    std::uint32_t hashLength = 32;
    unsigned expected;
    std::uint32_t lengthAfter;
    const char* what;
};

} // namespace

TEST(KvcSignHash, ChecksInOrder) {
    const Call calls[] = {
        {true, true, 64, 31, 32, 2, 64, "short key"},
        {true, true, 64, 33, 31, 2, 64, "long key before short hash"},
        {true, false, 64, 31, 32, 2, 0, "key before missing length"},
        {true, false, 64, 32, 31, 1, 0, "missing length before hash"},
        {true, true, 64, 32, 33, 2, 64, "long hash"},
        {false, true, 63, 32, 31, 2, 63, "hash before size query"},
        {false, true, 0, 32, 32, 0, 64, "size query"},
        {true, true, 63, 32, 32, 1, 63, "buffer too small"},
        {true, true, 100, 32, 32, 0, 100, "signed, count left as set"},
    };
    const Scalar key = scalarFromHex(kKey);
    std::uint8_t hash[33] = {};
    std::memcpy(hash, scalarFromHex(kHash).data(), 32);
    std::uint8_t longKey[33] = {};
    std::memcpy(longKey, key.data(), 32);
    for (const Call& c : calls) {
        std::uint8_t signature[100];
        std::memset(signature, 0xAA, sizeof signature);
        std::uint32_t length = c.length;
        EXPECT_EQ(kvcSignHash(c.withSignature ? signature : nullptr,
                              c.withLength ? &length : nullptr, longKey, c.keyLength, hash,
                              c.hashLength),
                  c.expected)
            << c.what;
        if (c.withLength) {
            EXPECT_EQ(length, c.lengthAfter) << c.what;
        }
        if (c.expected != 0) {
            EXPECT_EQ(signature[0] & signature[63], 0xAA) << c.what << ": buffer touched";
        }
    }
}

TEST(KvcSignHash, MissingKeyOrHashIsAWrongLength) {
    std::uint8_t signature[64];
    std::uint32_t length = 64;
    const Scalar key = scalarFromHex(kKey);
    EXPECT_EQ(kvcSignHash(signature, &length, nullptr, 32, key.data(), 32), 2u);
    EXPECT_EQ(kvcSignHash(signature, &length, key.data(), 32, nullptr, 32), 2u);
    EXPECT_EQ(kvcSignHash(signature, &length, nullptr, 0, nullptr, 0), 2u);
}

TEST(KvcSignHash, SignaturesDifferAndVerifyOnCryptoProA) {
    const Scalar key = scalarFromHex(kKey);
    Point q;
    ASSERT_TRUE(publicKeyOf(Curve::CryptoProA, key, q));
    Scalar one{};
    one[0] = 1;
    const Scalar orderA =
        scalarFromHex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893");
    struct {
        Scalar hash;
        Scalar verifiedAs;
    } const cases[] = {
        {scalarFromHex(kHash), scalarFromHex(kHash)}, {Scalar{}, one}, {orderA, one}};
    for (const auto& c : cases) {
        std::uint8_t first[64], second[64];
        std::uint32_t length = 64;
        ASSERT_EQ(kvcSignHash(first, &length, key.data(), 32, c.hash.data(), 32), 0u);
        ASSERT_EQ(kvcSignHash(second, &length, key.data(), 32, c.hash.data(), 32), 0u);
        EXPECT_NE(std::memcmp(first, second, 64), 0);
        for (const std::uint8_t* sig : {first, second}) {
            Scalar r, s;
            std::memcpy(r.data(), sig, 32);
            std::memcpy(s.data(), sig + 32, 32);
            EXPECT_TRUE(verify(Curve::CryptoProA, q, c.verifiedAs, r, s));
        }
    }
}

TEST(KvcSignHash, OverlappingCallsFromThreadsAllVerify) {
    const Scalar key = scalarFromHex(kKey);
    const Scalar hash = scalarFromHex(kHash);
    Point q;
    ASSERT_TRUE(publicKeyOf(Curve::CryptoProA, key, q));
    constexpr int kThreads = 4, kEach = 3;
    std::uint8_t signatures[kThreads][kEach][64];
    unsigned codes[kThreads][kEach];
    std::vector<JoiningThread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                std::uint32_t length = 64;
                codes[t][i] =
                    kvcSignHash(signatures[t][i], &length, key.data(), 32, hash.data(), 32);
            }
        });
    for (JoiningThread& t : threads)
        t.join();
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kEach; ++i) {
            ASSERT_EQ(codes[t][i], 0u);
            Scalar r, s;
            std::memcpy(r.data(), signatures[t][i], 32);
            std::memcpy(s.data(), signatures[t][i] + 32, 32);
            EXPECT_TRUE(verify(Curve::CryptoProA, q, hash, r, s)) << t << "/" << i;
        }
}

TEST(RandomBytes, ConsecutiveCallsDiffer) {
    std::uint8_t a[32], b[32];
    ASSERT_TRUE(randomBytes(a));
    ASSERT_TRUE(randomBytes(b));
    EXPECT_NE(std::memcmp(a, b, 32), 0);
}
