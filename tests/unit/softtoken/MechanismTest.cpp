// GOST R 34.10-2001 key pairs, signatures and key agreement.

#include "SoftTokenFixture.h"

#include <GostCrypto.h>
#include <algorithm>
#include <string>

namespace {

gost::Scalar scalar(const Bytes& bytes, std::size_t offset, bool reversed) {
    gost::Scalar s;
    std::copy(bytes.begin() + offset, bytes.begin() + offset + 32, s.begin());
    if (reversed)
        std::reverse(s.begin(), s.end());
    return s;
}

// A signature is s then r, most significant byte first; a public value X then Y, least first.
bool verifies(const Bytes& publicValue, const gost::Scalar& hash, const Bytes& signature) {
    const gost::Point q{scalar(publicValue, 0, false), scalar(publicValue, 32, false)};
    return gost::verify(gost::Curve::CryptoProA, q, hash, scalar(signature, 32, true),
                        scalar(signature, 0, true));
}

Bytes fromHex(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back((unsigned char)std::stoul(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

} // namespace

TEST_F(SoftTokenMechanismTest, MechanismsAreListed) {
    // Each mechanism with what it does and the key sizes it takes, in bits.
    struct Entry {
        CK_MECHANISM_TYPE type;
        CK_FLAGS flags;
        CK_ULONG minBits, maxBits;
    };
    const std::vector<Entry> expected = {
        {CKM_GOSTR3410_KEY_PAIR_GEN, CKF_GENERATE_KEY_PAIR, 256, 256},
        {CKM_GOSTR3410, CKF_SIGN, 256, 256},
        {CKM_GOSTR3410_WITH_GOSTR3411, CKF_SIGN, 256, 256},
        {CKM_GOSTR3410_DERIVE, CKF_DERIVE, 256, 256},
        {CKM_GOSTR3411_12_256, CKF_DIGEST, 0, 0},
        {CKM_GOSTR3411_12_512, CKF_DIGEST, 0, 0},
        {CKM_GOSTR3410_512_KEY_PAIR_GEN, CKF_GENERATE_KEY_PAIR, 512, 512},
        {CKM_GOSTR3410_512, CKF_SIGN, 512, 512},
        {CKM_GOSTR3410_WITH_GOSTR3411_12_256, CKF_SIGN, 256, 256},
        {CKM_GOSTR3410_WITH_GOSTR3411_12_512, CKF_SIGN, 512, 512},
        {CKM_GOSTR3410_12_DERIVE, CKF_DERIVE, 256, 512},
    };
    CK_ULONG count = 0;
    ASSERT_EQ(p11->C_GetMechanismList(0, nullptr, &count), CKR_OK);
    std::vector<CK_MECHANISM_TYPE> list(count);
    ASSERT_EQ(p11->C_GetMechanismList(0, list.data(), &count), CKR_OK);
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Entry& e = expected[i];
        EXPECT_EQ(list[i], e.type) << i;
        CK_MECHANISM_INFO info;
        ASSERT_EQ(p11->C_GetMechanismInfo(0, e.type, &info), CKR_OK) << i;
        EXPECT_EQ(info.flags, e.flags) << i;
        EXPECT_EQ(info.ulMinKeySize, e.minBits) << i;
        EXPECT_EQ(info.ulMaxKeySize, e.maxBits) << i;
    }
    CK_MECHANISM_INFO info;
    EXPECT_EQ(p11->C_GetMechanismInfo(0, CKM_RSA_PKCS, &info), CKR_MECHANISM_INVALID);
}

TEST_F(SoftTokenMechanismTest, GeneratedPairIsAPublicContainerAndASensitivePrivateKey) {
    CK_OBJECT_HANDLE publicKey, privateKey;
    ASSERT_EQ(generate(session, "box", publicKey, privateKey), CKR_OK);
    const Bytes publicValue = attribute(session, publicKey);
    ASSERT_EQ(publicValue.size(), 64u);
    EXPECT_EQ(attribute(session, privateKey, CKA_GOSTR3410_PARAMS), cryptoProA);

    CK_ATTRIBUTE value = {CKA_VALUE, nullptr, 0};
    EXPECT_EQ(p11->C_GetAttributeValue(session, privateKey, &value, 1), CKR_ATTRIBUTE_SENSITIVE);
    EXPECT_EQ(value.ulValueLen, CK_UNAVAILABLE_INFORMATION);

    // The plug-in lists containers without a login: public, on the token, with its label.
    ASSERT_EQ(p11->C_Logout(session), CKR_OK);
    const CK_ULONG publicClass = CKO_PUBLIC_KEY;
    EXPECT_EQ(find(session, {attr(CKA_CLASS, publicClass), attr(CKA_TOKEN, yes),
                             attr(CKA_PRIVATE, no), attr(CKA_LABEL, kvwLabel)}),
              std::vector<CK_OBJECT_HANDLE>{publicKey});
    EXPECT_EQ(attribute(session, publicKey, CKA_ID), (Bytes{'b', 'o', 'x'}));
    EXPECT_EQ(find(session, {attr(CKA_ID, std::string("box"))}).size(), 1u); // private hidden
}

TEST_F(SoftTokenMechanismTest, KeyGenerationTemplates) {
    CK_MECHANISM mechanism{CKM_GOSTR3410_KEY_PAIR_GEN, nullptr, 0};
    const Bytes unknownCurve = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x09};
    const Bytes curveB = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x02};
    struct Case {
        const char* what;
        std::vector<CK_ATTRIBUTE> publicTemplate, privateTemplate;
        CK_RV rv;
    };
    const std::vector<Case> cases = {
        {"no parameters", {}, {}, CKR_TEMPLATE_INCOMPLETE},
        {"unknown curve",
         {attr(CKA_GOSTR3410_PARAMS, unknownCurve)},
         {},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"two curves",
         {attr(CKA_GOSTR3410_PARAMS, cryptoProA)},
         {attr(CKA_GOSTR3410_PARAMS, curveB)},
         CKR_TEMPLATE_INCONSISTENT},
        {"parameters on the private side", {}, {attr(CKA_GOSTR3410_PARAMS, curveB)}, CKR_OK},
    };
    for (const Case& c : cases) {
        std::vector<CK_ATTRIBUTE> pub = c.publicTemplate, priv = c.privateTemplate;
        CK_OBJECT_HANDLE publicKey, privateKey;
        EXPECT_EQ(p11->C_GenerateKeyPair(session, &mechanism, pub.data(), pub.size(), priv.data(),
                                         priv.size(), &publicKey, &privateKey),
                  c.rv)
            << c.what;
    }
    CK_MECHANISM wrong{CKM_GOSTR3410, nullptr, 0};
    CK_OBJECT_HANDLE a, b;
    EXPECT_EQ(p11->C_GenerateKeyPair(session, &wrong, nullptr, 0, nullptr, 0, &a, &b),
              CKR_MECHANISM_INVALID);
}

TEST_F(SoftTokenMechanismTest, SignaturesVerifyWithThePublicKey) {
    CK_OBJECT_HANDLE publicKey, privateKey;
    ASSERT_EQ(generate(session, "signer", publicKey, privateKey), CKR_OK);
    const Bytes publicValue = attribute(session, publicKey);

    Bytes hash(32);
    for (std::size_t i = 0; i < hash.size(); ++i)
        hash[i] = static_cast<unsigned char>(i * 7 + 1);
    Bytes signature;
    ASSERT_EQ(sign(session, CKM_GOSTR3410, privateKey, hash, signature), CKR_OK);
    ASSERT_EQ(signature.size(), 64u);
    EXPECT_TRUE(verifies(publicValue, scalar(hash, 0, false), signature));
    hash[0] ^= 1;
    EXPECT_FALSE(verifies(publicValue, scalar(hash, 0, false), signature));

    const Bytes message = {'h', 'e', 'l', 'l', 'o'};
    ASSERT_EQ(sign(session, CKM_GOSTR3410_WITH_GOSTR3411, privateKey, message, signature), CKR_OK);
    const gost::Digest digest = gost::hash3411(message.data(), message.size());
    EXPECT_TRUE(verifies(publicValue, digest, signature));
}

TEST_F(SoftTokenMechanismTest, SignatureLengthQueryAndShortBufferKeepTheOperation) {
    CK_OBJECT_HANDLE publicKey, privateKey;
    ASSERT_EQ(generate(session, "k", publicKey, privateKey), CKR_OK);
    CK_MECHANISM mechanism{CKM_GOSTR3410, nullptr, 0};
    Bytes hash(32, 0x11), signature(64);
    ASSERT_EQ(p11->C_SignInit(session, &mechanism, privateKey), CKR_OK);
    EXPECT_EQ(p11->C_SignInit(session, &mechanism, privateKey), CKR_OPERATION_ACTIVE);
    CK_ULONG length = 10;
    EXPECT_EQ(p11->C_Sign(session, hash.data(), 32, signature.data(), &length),
              CKR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 64u);
    ASSERT_EQ(p11->C_Sign(session, hash.data(), 32, signature.data(), &length), CKR_OK);
    EXPECT_EQ(p11->C_Sign(session, hash.data(), 32, signature.data(), &length),
              CKR_OPERATION_NOT_INITIALIZED);

    // The raw mechanism signs a 32-byte hash and nothing else; the failure ends the operation.
    ASSERT_EQ(p11->C_SignInit(session, &mechanism, privateKey), CKR_OK);
    EXPECT_EQ(p11->C_Sign(session, hash.data(), 31, nullptr, &length), CKR_DATA_LEN_RANGE);
    EXPECT_EQ(p11->C_Sign(session, hash.data(), 32, nullptr, &length),
              CKR_OPERATION_NOT_INITIALIZED);
}

TEST_F(SoftTokenMechanismTest, SigningNeedsALoginAndAPrivateKey) {
    CK_OBJECT_HANDLE publicKey, privateKey;
    ASSERT_EQ(generate(session, "k", publicKey, privateKey), CKR_OK);
    Bytes hash(32, 1), signature;
    EXPECT_EQ(sign(session, CKM_GOSTR3410, publicKey, hash, signature), CKR_KEY_TYPE_INCONSISTENT);
    EXPECT_EQ(sign(session, CKM_RSA_PKCS, privateKey, hash, signature), CKR_MECHANISM_INVALID);
    CK_MECHANISM mechanism{CKM_GOSTR3410, nullptr, 0};
    ASSERT_EQ(p11->C_SignInit(session, &mechanism, privateKey), CKR_OK);
    ASSERT_EQ(p11->C_Logout(session), CKR_OK);
    CK_ULONG length = 0;
    EXPECT_EQ(p11->C_Sign(session, hash.data(), hash.size(), nullptr, &length),
              CKR_OPERATION_NOT_INITIALIZED); // the logout ended it
    EXPECT_EQ(sign(session, CKM_GOSTR3410, privateKey, hash, signature), CKR_USER_NOT_LOGGED_IN);
}

TEST_F(SoftTokenMechanismTest, DerivationAgreesFromBothSides) {
    CK_OBJECT_HANDLE publicA, privateA, publicB, privateB;
    ASSERT_EQ(generate(session, "A", publicA, privateA), CKR_OK);
    ASSERT_EQ(generate(session, "B", publicB, privateB), CKR_OK);
    const Bytes ukm = {1, 2, 3, 4, 5, 6, 7, 8};
    Bytes ab, ba, other;
    ASSERT_EQ(derive(privateA, attribute(session, publicB), ukm, ab), CKR_OK);
    ASSERT_EQ(derive(privateB, attribute(session, publicA), ukm, ba), CKR_OK);
    EXPECT_EQ(ab.size(), 32u);
    EXPECT_EQ(ab, ba);
    ASSERT_EQ(derive(privateA, attribute(session, publicB), {8, 7, 6, 5, 4, 3, 2, 1}, other),
              CKR_OK);
    EXPECT_NE(ab, other);
    EXPECT_EQ(status().sessionObjects, 0u); // each derived key was destroyed again
}

TEST_F(SoftTokenMechanismTest, DerivationRejectsBadParameters) {
    CK_OBJECT_HANDLE publicKey, privateKey;
    ASSERT_EQ(generate(session, "A", publicKey, privateKey), CKR_OK);
    const Bytes peer = attribute(session, publicKey);
    Bytes offCurve = peer;
    offCurve[0] ^= 1;
    Bytes value;
    EXPECT_EQ(derive(privateKey, offCurve, Bytes(8, 1), value), CKR_MECHANISM_PARAM_INVALID);
    EXPECT_EQ(derive(privateKey, peer, Bytes(7, 1), value), CKR_MECHANISM_PARAM_INVALID);
    EXPECT_EQ(derive(privateKey, Bytes(), Bytes(8, 1), value), CKR_MECHANISM_PARAM_INVALID);
    EXPECT_EQ(derive(publicKey, peer, Bytes(8, 1), value), CKR_KEY_TYPE_INCONSISTENT);
    EXPECT_EQ(status().sessionObjects, 0u);
}

TEST_F(SoftTokenMechanismTest, RandomBytes) {
    Bytes a(100), b(100);
    ASSERT_EQ(p11->C_GenerateRandom(session, a.data(), a.size()), CKR_OK);
    ASSERT_EQ(p11->C_GenerateRandom(session, b.data(), b.size()), CKR_OK);
    EXPECT_NE(a, b);
}

// The standard's first example, 63 bytes, by Streebog-256 and -512: whole, in pieces, and with
// the two-call length pattern (a query or a buffer too small keeps the operation).
TEST_F(SoftTokenMechanismTest, StreebogDigests) {
    const std::string m1 = "012345678901234567890123456789012345678901234567890123456789012";
    Bytes message(m1.begin(), m1.end());
    struct Case {
        CK_MECHANISM_TYPE mechanism;
        const char* digest; // the byte string, least significant byte of the number first
    } cases[] = {
        {CKM_GOSTR3411_12_256, "9D151EEFD8590B89DAA6BA6CB74AF9275DD051026BB149A452FD84E5E57B5500"},
        {CKM_GOSTR3411_12_512, "1B54D01A4AF5B9D5CC3D86D68D285462B19ABC2475222F35C085122BE4BA1FFA"
                               "00AD30F8767B3A82384C6574F024C311E2A481332B08EF7F41797891C1646F48"},
    };
    for (const Case& c : cases) {
        const Bytes expected = fromHex(c.digest);
        CK_MECHANISM mechanism = {c.mechanism, nullptr, 0};
        ASSERT_EQ(p11->C_DigestInit(session, &mechanism), CKR_OK);
        EXPECT_EQ(p11->C_DigestInit(session, &mechanism), CKR_OPERATION_ACTIVE);
        CK_ULONG length = 0;
        ASSERT_EQ(p11->C_Digest(session, message.data(), message.size(), nullptr, &length), CKR_OK);
        ASSERT_EQ(length, expected.size());
        Bytes digest(length);
        length = 1;
        ASSERT_EQ(p11->C_Digest(session, message.data(), message.size(), digest.data(), &length),
                  CKR_BUFFER_TOO_SMALL);
        length = digest.size();
        ASSERT_EQ(p11->C_Digest(session, message.data(), message.size(), digest.data(), &length),
                  CKR_OK);
        EXPECT_EQ(digest, expected);

        ASSERT_EQ(p11->C_DigestInit(session, &mechanism), CKR_OK);
        for (std::size_t at = 0; at < message.size(); at += 20) {
            const CK_ULONG part = CK_ULONG(std::min<std::size_t>(20, message.size() - at));
            ASSERT_EQ(p11->C_DigestUpdate(session, message.data() + at, part), CKR_OK);
        }
        EXPECT_EQ(p11->C_Digest(session, message.data(), message.size(), digest.data(), &length),
                  CKR_OPERATION_ACTIVE); // the one-part call ends a multi-part digest too
        EXPECT_EQ(p11->C_DigestFinal(session, digest.data(), &length),
                  CKR_OPERATION_NOT_INITIALIZED);

        ASSERT_EQ(p11->C_DigestInit(session, &mechanism), CKR_OK);
        ASSERT_EQ(p11->C_DigestUpdate(session, message.data(), message.size()), CKR_OK);
        std::fill(digest.begin(), digest.end(), 0);
        ASSERT_EQ(p11->C_DigestFinal(session, digest.data(), &length), CKR_OK);
        EXPECT_EQ(digest, expected);
    }
    EXPECT_EQ(p11->C_Digest(session, message.data(), message.size(), message.data(), nullptr),
              CKR_OPERATION_NOT_INITIALIZED);
    CK_MECHANISM hash94 = {CKM_GOSTR3411, nullptr, 0};
    EXPECT_EQ(p11->C_DigestInit(session, &hash94), CKR_MECHANISM_INVALID);
}
