#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "GostCrypto.h"
#include "GostSignature.h"
#include "GostTestSupport.h"
#include "RandomBytes.h"

using namespace gost;
using namespace gost::test;

namespace {

// GOST R 34.10-2001, the worked example on the test parameter set.
const char* const kExampleKey = "7A929ADE789BB9BE10ED359DD39A72C11B60961F49397EEE1D19CE9891EC3B28";
const char* const kExampleHash = "2DFBC1B372D89A1188C09C52E0EEC61FCE52032AB1022E8E67ECE6672B043EE5";
const char* const kExampleNonce =
    "77105C9B20BCD3122823C8CF6FCC7B956DE33814E95B7FE64FED924594DCEAB3";
const char* const kExampleR = "41AA28D2F1AB148280CD9ED56FEDA41974053554A42767B83AD043FD39DC0493";
const char* const kExampleS = "01456C64BA4642A1653C235A98A60249BCD6D3F746B631DF928014F6C5BF9C40";
const char* const kExampleX = "7F2B49E270DB6D90D8595BEC458B50C58585BA1D4E9B788F6689DBD8E56FD80B";
const char* const kExampleY = "26F1B489D6701DD185C8413A977B3CBBAF64D1C593D26627DFFB101A87FF77DA";

const char* const kOrderA = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893";

struct Signature {
    Scalar r, s;
};

Signature signWithNonce(char letter, const Scalar& key, const Scalar& hash, const Scalar& nonce,
                        unsigned expected = 0) {
    std::uint8_t out[64] = {};
    EXPECT_EQ(signHashWithNonce(letter, out, key.data(), hash.data(), nonce.data()), expected);
    Signature sig;
    std::memcpy(sig.r.data(), out, 32);
    std::memcpy(sig.s.data(), out + 32, 32);
    return sig;
}

} // namespace

TEST(GostSignature, WorkedExampleGivesPublishedSignature) {
    const Signature sig = signWithNonce('T', scalarFromHex(kExampleKey),
                                        scalarFromHex(kExampleHash), scalarFromHex(kExampleNonce));
    EXPECT_EQ(hexFromScalar(sig.r), kExampleR);
    EXPECT_EQ(hexFromScalar(sig.s), kExampleS);
}

TEST(GostSignature, WorkedExamplePublicKeyAndVerification) {
    Point q;
    ASSERT_TRUE(publicKeyOf(Curve::Test, scalarFromHex(kExampleKey), q));
    EXPECT_EQ(hexFromScalar(q.x), kExampleX);
    EXPECT_EQ(hexFromScalar(q.y), kExampleY);
    const Scalar hash = scalarFromHex(kExampleHash);
    const Scalar r = scalarFromHex(kExampleR);
    const Scalar s = scalarFromHex(kExampleS);
    EXPECT_TRUE(verify(Curve::Test, q, hash, r, s));

    Scalar badS = s;
    badS[0] ^= 1;
    EXPECT_FALSE(verify(Curve::Test, q, hash, r, badS));
    Scalar otherHash = hash;
    otherHash[5] ^= 0x40;
    EXPECT_FALSE(verify(Curve::Test, q, otherHash, r, s));
    Point offCurve = q;
    offCurve.y[0] ^= 1;
    EXPECT_FALSE(verify(Curve::Test, offCurve, hash, r, s));
    EXPECT_FALSE(verify(Curve::Test, q, hash, Scalar{}, s));
}

TEST(GostSignature, HashZeroAndOrderSignAsOne) {
    const Scalar key = scalarFromHex(kExampleKey);
    const Scalar nonce = scalarFromHex(kExampleNonce);
    Scalar one{};
    one[0] = 1;
    const Signature asOne = signWithNonce('A', key, one, nonce);
    for (const Scalar& hash : {Scalar{}, scalarFromHex(kOrderA)}) {
        const Signature sig = signWithNonce('A', key, hash, nonce);
        EXPECT_EQ(sig.r, asOne.r);
        EXPECT_EQ(sig.s, asOne.s);
    }
}

TEST(GostSignature, FailingRandomSourceIsCodeTwo) {
    std::uint8_t out[64];
    std::memset(out, 0xAA, sizeof out);
    const Scalar key = scalarFromHex(kExampleKey);
    const Scalar hash = scalarFromHex(kExampleHash);
    const NonceSource failing = [](std::uint8_t*, void*) { return false; };
    EXPECT_EQ(signHash('A', out, key.data(), hash.data(), failing, nullptr), 2u);
    for (std::uint8_t b : out)
        EXPECT_EQ(b, 0xAA);
}

TEST(GostSignature, NonceThatIsAMultipleOfTheOrderFails) {
    // k = q gives the point at infinity: code 2, nothing written.
    std::uint8_t out[64];
    std::memset(out, 0xAA, sizeof out);
    const Scalar key = scalarFromHex(kExampleKey);
    const Scalar hash = scalarFromHex(kExampleHash);
    const Scalar nonce = scalarFromHex(kOrderA);
    EXPECT_EQ(signHashWithNonce('A', out, key.data(), hash.data(), nonce.data()), 2u);
    for (std::uint8_t b : out)
        EXPECT_EQ(b, 0xAA);
    EXPECT_EQ(signHashWithNonce('Z', out, key.data(), hash.data(), nonce.data()), 3u);
}

TEST(GostSignature, KeyThatIsAMultipleOfTheOrderFails) {
    // Its public key is the point at infinity, so no signature made with it could verify.
    const Scalar hash = scalarFromHex(kExampleHash);
    for (const Scalar& key : {Scalar{}, scalarFromHex(kOrderA)}) {
        std::uint8_t out[64];
        std::memset(out, 0xAA, sizeof out);
        EXPECT_EQ(signHash(
                      'A', out, key.data(), hash.data(),
                      [](std::uint8_t* nonce, void*) { return randomBytes(nonce); }, nullptr),
                  2u);
        for (std::uint8_t b : out)
            EXPECT_EQ(b, 0xAA);
    }
}

TEST(GostSignature, KeyAboveTheOrderSignsAsItsRemainder) {
    // All 0xFF is q + m for a small m: the signature verifies under the public key of m.
    Scalar key;
    key.fill(0xFF);
    const Scalar hash = scalarFromHex(kExampleHash);
    const Scalar nonce = scalarFromHex(kExampleNonce);
    std::uint8_t out[64];
    ASSERT_EQ(signHashWithNonce('A', out, key.data(), hash.data(), nonce.data()), 0u);
    Scalar q = scalarFromHex(kOrderA), reduced{};
    unsigned borrow = 0;
    for (std::size_t i = 0; i < reduced.size(); ++i) {
        const unsigned difference = 0xFFu - q[i] - borrow;
        reduced[i] = static_cast<std::uint8_t>(difference);
        borrow = difference >> 8 & 1;
    }
    Point publicKey;
    ASSERT_TRUE(publicKeyOf(Curve::CryptoProA, reduced, publicKey));
    EXPECT_TRUE(
        verifyHash('A', publicKey.x.data(), publicKey.y.data(), hash.data(), out, out + 32));
}

class GostCryptoOnCurve : public ::testing::TestWithParam<Curve> {};

TEST_P(GostCryptoOnCurve, FreshKeysSignAndVerify) {
    Scalar d;
    Point q;
    ASSERT_TRUE(generateKeyPair(GetParam(), d, q));
    Point again;
    ASSERT_TRUE(publicKeyOf(GetParam(), d, again));
    EXPECT_EQ(again.x, q.x);
    EXPECT_EQ(again.y, q.y);

    const Digest hash = hash3411(reinterpret_cast<const std::uint8_t*>("message"), 7);
    Scalar r1, s1, r2, s2;
    ASSERT_TRUE(sign(GetParam(), d, hash, r1, s1));
    ASSERT_TRUE(sign(GetParam(), d, hash, r2, s2));
    EXPECT_NE(r1, r2); // a fresh nonce each time
    EXPECT_TRUE(verify(GetParam(), q, hash, r1, s1));
    EXPECT_TRUE(verify(GetParam(), q, hash, r2, s2));
    EXPECT_FALSE(verify(GetParam(), q, hash, r1, s2));
}

INSTANTIATE_TEST_SUITE_P(AllSets, GostCryptoOnCurve,
                         ::testing::Values(Curve::Test, Curve::CryptoProA, Curve::CryptoProB,
                                           Curve::CryptoProC));

TEST(GostCrypto, KeysOutOfRangeAreRefused) {
    Point q;
    Scalar r, s;
    const Scalar hash = scalarFromHex(kExampleHash);
    for (const Scalar& bad : {Scalar{}, scalarFromHex(kOrderA)}) {
        EXPECT_FALSE(publicKeyOf(Curve::CryptoProA, bad, q));
        EXPECT_FALSE(sign(Curve::CryptoProA, bad, hash, r, s));
    }
}

TEST(GostCrypto, KeyAgreementPublishedVector) {
    // VKO GOST R 34.10-2001 on the test set, the vector other GOST libraries check (keys and UKM
    // as little-endian byte strings, the KEK as the digest's bytes).
    const auto scalar = [](const char* hex) {
        Scalar s;
        const std::vector<std::uint8_t> bytes = bytesFromHex(hex);
        std::copy(bytes.begin(), bytes.end(), s.begin());
        return s;
    };
    const Scalar d1 = scalar("1df129e43dab345b68f6a852f4162dc69f36b2f84717d08755cc5c44150bf928");
    const Scalar d2 = scalar("5b9356c6474f913f1e83885ea0edd5df1a43fd9d799d219093241157ac9ed473");
    const Ukm ukm = {0x51, 0x72, 0xbe, 0x25, 0xf8, 0x52, 0xa2, 0x33};
    Point q1, q2;
    ASSERT_TRUE(publicKeyOf(Curve::Test, d1, q1));
    ASSERT_TRUE(publicKeyOf(Curve::Test, d2, q2));
    Key256 k1, k2;
    ASSERT_TRUE(vko(Curve::Test, d1, q2, ukm, k1));
    ASSERT_TRUE(vko(Curve::Test, d2, q1, ukm, k2));
    EXPECT_EQ(hexFromBytes(k1.data(), k1.size()),
              "EE4618A0DBB10CB31777B4B86A53D9E7EF6CB3E400101410F0C0F2AF46C494A6");
    EXPECT_EQ(k2, k1);
}

TEST(GostCrypto, KeyAgreementIsSymmetricAndRefusesBadInput) {
    Scalar d1, d2;
    Point q1, q2;
    ASSERT_TRUE(generateKeyPair(Curve::CryptoProA, d1, q1));
    ASSERT_TRUE(generateKeyPair(Curve::CryptoProA, d2, q2));
    const Ukm ukm = {1, 2, 3, 4, 5, 6, 7, 8};
    Key256 k1, k2;
    ASSERT_TRUE(vko(Curve::CryptoProA, d1, q2, ukm, k1));
    ASSERT_TRUE(vko(Curve::CryptoProA, d2, q1, ukm, k2));
    EXPECT_EQ(k1, k2);
    Ukm other = ukm;
    other[7] ^= 1;
    ASSERT_TRUE(vko(Curve::CryptoProA, d1, q2, other, k2));
    EXPECT_NE(k1, k2);

    Point offCurve = q2;
    offCurve.x[3] ^= 1;
    EXPECT_FALSE(vko(Curve::CryptoProA, d1, offCurve, ukm, k2));
    EXPECT_FALSE(vko(Curve::CryptoProA, d1, q2, Ukm{}, k2)); // shared point at infinity
    EXPECT_FALSE(vko(Curve::CryptoProA, Scalar{}, q2, ukm, k2));
}

TEST(GostCrypto, DiversificationDependsOnEveryUkmByte) {
    Key256 key;
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = std::uint8_t(i * 7 + 1);
    const Ukm ukm = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    const Key256 base = cryptoProDiversify(key, ukm);
    EXPECT_NE(base, key);
    EXPECT_EQ(cryptoProDiversify(key, ukm), base);
    for (std::size_t i = 0; i < ukm.size(); ++i) {
        Ukm changed = ukm;
        changed[i] ^= 0x80;
        EXPECT_NE(cryptoProDiversify(key, changed), base) << "byte " << i;
    }
}
