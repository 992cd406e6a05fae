#include "ApiFixture.h"
#include "PageValues.h"

#include <gmock/gmock.h>

namespace {

using ::testing::Contains;

gost::Scalar numberFrom(unsigned char seed) {
    gost::Scalar n;
    for (std::size_t i = 0; i < n.size(); ++i)
        n[i] = static_cast<unsigned char>(seed + 7 * i);
    return n;
}

class SigningTest : public ApiFixture {
protected:
    void SetUp() override {
        createPlugin();
        publicKey = text("kvwGenKeyPair", {"signer"});
    }
    std::string publicKey;
};

TEST_F(SigningTest, SignTakesTheHashMostSignificantByteFirstAndGivesRThenS) {
    const gost::Scalar hash = numberFrom(3);
    const std::string signature = text("kvwSign", {"signer", pageNumber(hash)});
    EXPECT_TRUE(pageSignatureVerifies(publicKey, hash, signature));
    EXPECT_THAT(recorded("stdin"), Contains("stdin 1"));
    expectIdle();
}

TEST_F(SigningTest, HashSignHashesTheDataInThePagesOrder) {
    const Bytes data = {'h', 'e', 'l', 'l', 'o', 0, 1, 2, 3};
    const std::string signature = text("kvwHashSign", {"signer", bytesToHex(data)});
    const gost::Digest digest = gost::hash3411(data.data(), data.size());
    EXPECT_TRUE(pageSignatureVerifies(publicKey, digest, signature));
    expectIdle();
}

TEST_F(SigningTest, EverySignatureAsksForThePin) {
    const std::string hash = pageNumber(numberFrom(9));
    text("kvwSign", {"signer", hash});
    text("kvwSign", {"signer", hash});
    // One exchange for the key pair, one for each signature.
    EXPECT_EQ(recorded("stdin-end").size(), 3u);
}

TEST_F(SigningTest, SignatureOfAnUnacceptableHashIsTheTokensRefusal) {
    // One digit converts to no bytes; the token refuses empty data (CKR_DATA_LEN_RANGE).
    EXPECT_EQ(call("kvwSign", {"signer", "A"}).convert_to<int>(), -(0x21 + 80));
    EXPECT_EQ(call("kvwSign", {"nobody", pageNumber(numberFrom(1))}).convert_to<int>(), -20);
    expectIdle();
}

TEST_F(SigningTest, SessionKeyMatchesThePeersOwnDerivation) {
    gost::Scalar peerPrivate;
    gost::Point peerPublic;
    ASSERT_TRUE(gost::generateKeyPair(gost::Curve::CryptoProA, peerPrivate, peerPublic));
    const Bytes ukmPage = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    const std::string sessionKey =
        text("kvwMakeSessionKey", {"signer", pagePublicKey(peerPublic), bytesToHex(ukmPage)});
    EXPECT_THAT(recorded("stdin"), Contains("stdin 4"));

    // The peer's side: the UKM and the container's key least significant byte first.
    gost::Ukm ukm;
    std::copy(ukmPage.rbegin(), ukmPage.rend(), ukm.begin());
    gost::Key256 kek;
    ASSERT_TRUE(
        gost::vko(gost::Curve::CryptoProA, peerPrivate, publicKeyOfPage(publicKey), ukm, kek));
    const gost::Key256 expected = gost::cryptoProDiversify(kek, ukm);
    EXPECT_EQ(sessionKey, bytesToHex(Bytes(expected.begin(), expected.end())));
    expectIdle();
}

class RepairTest : public ApiFixture {
protected:
    void SetUp() override {
        configure(emptySlot());
        createPlugin();
        ASSERT_TRUE(gost::generateKeyPair(gost::Curve::CryptoProA, privateKey, publicKey));
    }
    gost::Scalar privateKey;
    gost::Point publicKey;
    const gost::Scalar hash = numberFrom(5);
};

TEST_F(RepairTest, SignsWithTheUnscrambledKeyAFreshNonceEachTime) {
    const std::string key = scrambledKey(privateKey);
    const std::string first = text("kvwRepair", {key, pageNumber(hash)});
    const std::string second = text("kvwRepair", {key, pageNumber(hash)});
    EXPECT_TRUE(pageSignatureVerifies(pagePublicKey(publicKey), hash, first));
    EXPECT_TRUE(pageSignatureVerifies(pagePublicKey(publicKey), hash, second));
    EXPECT_NE(first, second);
}

TEST_F(RepairTest, DecimalDigitsMayStandForThemselves) {
    std::string key = scrambledKey(privateKey);
    const std::string plain = bytesToHex(Bytes(privateKey.begin(), privateKey.end()));
    for (std::size_t i = 0; i < key.size(); i += 2) {
        if (plain[i] <= '9')
            key[i] = plain[i];
    }
    EXPECT_TRUE(pageSignatureVerifies(pagePublicKey(publicKey), hash,
                                      text("kvwRepair", {key, pageNumber(hash)})));
}

TEST_F(RepairTest, KeyOrHashOfTheWrongLengthIsMinus72) {
    const std::string key = scrambledKey(privateKey);
    EXPECT_EQ(call("kvwRepair", {key.substr(0, 63), pageNumber(hash)}).convert_to<int>(), -72);
    EXPECT_EQ(call("kvwRepair", {key, pageNumber(hash).substr(2)}).convert_to<int>(), -72);
    EXPECT_EQ(call("kvwRepair", {"", pageNumber(hash)}).convert_to<int>(), -11);
    EXPECT_EQ(call("kvwRepair", {key, ""}).convert_to<int>(), -11);
}

} // namespace
