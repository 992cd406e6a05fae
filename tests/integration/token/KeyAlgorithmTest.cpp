// Containers by key algorithm: GOST R 34.10-2001 and 2012 keys generated, recognised from their
// attributes, used to sign a given hash or data hashed in the token, and to agree keys.
#include "ExpectException.h"
#include "Signature.h"
#include "SoftTokenFixture.h"
#include "TokenSignature2012.h"

#include <Pkcs11Gost.h>

using gost::ParamSet2012;

namespace {

const Bytes cryptoProA{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x01};

// A kind of key and the curve its parameter set names.
struct KindCase {
    const char* what;
    KeyKind kind;
    ParamSet2012 set;
};

const KindCase kindCases[] = {
    {"2001 CryptoPro-A", {KeyAlgorithm::Gost2001, cryptoProA}, ParamSet2012::B256},
    {"2012-256 A",
     {KeyAlgorithm::Gost2012_256, oidBytesOf(ParamSet2012::A256)},
     ParamSet2012::A256},
    {"2012-256 B",
     {KeyAlgorithm::Gost2012_256, oidBytesOf(ParamSet2012::B256)},
     ParamSet2012::B256},
    {"2012-256 on CryptoPro-A's name",
     {KeyAlgorithm::Gost2012_256, cryptoProA},
     ParamSet2012::B256},
    {"2012-512 A",
     {KeyAlgorithm::Gost2012_512, oidBytesOf(ParamSet2012::A512)},
     ParamSet2012::A512},
    {"2012-512 C",
     {KeyAlgorithm::Gost2012_512, oidBytesOf(ParamSet2012::C512)},
     ParamSet2012::C512},
};

// Whether a signature of hash verifies under the algorithm of the kind.
bool verifies(const KindCase& c, const Bytes& publicKey, const Bytes& hash,
              const Bytes& signature) {
    return c.kind.algorithm == KeyAlgorithm::Gost2001
               ? tokenSignatureVerifies(publicKey, hash, signature)
               : tokenSignature2012Verifies(c.set, publicKey, hash, signature);
}

Bytes digestOf(const KindCase& c, const Bytes& data) {
    return c.kind.algorithm == KeyAlgorithm::Gost2001 ? hashOf(data)
                                                      : streebogOf(gost::keySize(c.set), data);
}

class KeyAlgorithmTest : public SoftTokenFixture {
public:
    KeyAlgorithmTest() { load(); }

    Bytes generate(const std::string& name, const KeyKind& kind) {
        Bytes publicKey;
        withLogin([&](Token& t) { publicKey = t.generateContainer(name, kind); });
        return publicKey;
    }
};

} // namespace

TEST_F(KeyAlgorithmTest, ContainersOfEachAlgorithmAreKnownAndSign) {
    for (const KindCase& c : kindCases) {
        SCOPED_TRACE(c.what);
        const std::size_t n = gost::keySize(c.set);
        const Bytes publicKey = generate(c.what, c.kind);
        ASSERT_EQ(publicKey.size(), 2 * n);
        // Known without a login, from the public key.
        withToken([&](Token& t) {
            EXPECT_EQ(t.getKeyAlgorithm(c.what), c.kind);
            EXPECT_EQ(t.getPublicKey(c.what), publicKey);
        });
        const Bytes data{'p', 'a', 'y', ' ', '1', '0', '0'};
        Bytes hash(n, 0x5A);
        withLogin([&](Token& t) {
            const Bytes signature = t.signHashByAlgorithm(c.what, hash);
            EXPECT_TRUE(verifies(c, publicKey, hash, signature));
            hash[1] ^= 1;
            EXPECT_FALSE(verifies(c, publicKey, hash, signature));
            EXPECT_TRUE(
                verifies(c, publicKey, digestOf(c, data), t.hashAndSignByAlgorithm(c.what, data)));
            // A hash of the other size is the module's to refuse.
            expectException([&] { t.signHashByAlgorithm(c.what, Bytes(96 - n, 1)); },
                            pkcs11ErrorCode(CKR_DATA_LEN_RANGE), "C_Sign");
            t.destroyContainer(c.what);
        });
        expectIdle();
    }
}

// The plug-in's own 2001 containers are 2001 keys on CryptoPro-A, and sign by algorithm as the
// existing raw signature does.
TEST_F(KeyAlgorithmTest, AContainerOfThe2001MethodsIsA2001Key) {
    Bytes publicKey;
    withLogin([&](Token& t) { publicKey = t.createContainer("old"); });
    const Bytes hash(32, 0x33);
    withLogin([&](Token& t) {
        EXPECT_EQ(t.getKeyAlgorithm("old"), (KeyKind{KeyAlgorithm::Gost2001, cryptoProA}));
        EXPECT_TRUE(tokenSignatureVerifies(publicKey, hash, t.signHashByAlgorithm("old", hash)));
    });
    expectIdle();
}

// VKO GOST R 34.10-2012 with the container's key agrees with the peer's own computation.
TEST_F(KeyAlgorithmTest, KeyAgreementWith2012KeysAgreesWithThePeer) {
    for (const KindCase& c : {kindCases[1], kindCases[4]}) {
        SCOPED_TRACE(c.what);
        const std::size_t n = gost::keySize(c.set);
        const Bytes publicKey = generate(c.what, c.kind);
        Bytes peerPrivate(n), peerPublic(2 * n), theirs(32);
        ASSERT_TRUE(gost::generateKeyPair2012(c.set, peerPrivate.data(), peerPublic.data()));
        const Bytes ukm{1, 2, 3, 4, 5, 6, 7, 8};
        ASSERT_TRUE(gost::vko2012(c.set, peerPrivate.data(), publicKey.data(), ukm.data(),
                                  ukm.size(), theirs.size(), theirs.data()));
        withLogin([&](Token& t) { EXPECT_EQ(t.deriveKey2012(c.what, peerPublic, ukm), theirs); });
        EXPECT_EQ(status().sessionObjects, 0u); // the derived key was destroyed again
    }
    // A 2001 key agrees only by the 2001 method.
    const Bytes publicKey = generate("2001", kindCases[0].kind);
    withLogin([&](Token& t) {
        expectException([&] { t.deriveKey2012("2001", publicKey, Bytes(8, 1)); },
                        pkcs11ErrorCode(CKR_KEY_TYPE_INCONSISTENT), "C_DeriveKey");
    });
    expectIdle();
}

TEST_F(KeyAlgorithmTest, KindsThatNameNoKeyAreRefusedBeforeTheModule) {
    const Bytes unknown{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x01, 0x09};
    const struct {
        const char* what;
        KeyKind kind;
    } cases[] = {
        {"2001 on a TC26 set", {KeyAlgorithm::Gost2001, oidBytesOf(ParamSet2012::B256)}},
        {"2001 on TC26 A", {KeyAlgorithm::Gost2001, oidBytesOf(ParamSet2012::A256)}},
        {"2012-256 on a 512-bit set", {KeyAlgorithm::Gost2012_256, oidBytesOf(ParamSet2012::A512)}},
        {"2012-512 on a 256-bit set", {KeyAlgorithm::Gost2012_512, oidBytesOf(ParamSet2012::A256)}},
        {"unknown set", {KeyAlgorithm::Gost2012_256, unknown}},
        {"no set", {KeyAlgorithm::Gost2012_512, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        withLogin([&](Token& t) {
            expectException([&] { t.generateContainer("k", c.kind); },
                            pkcs11ErrorCode(CKR_ATTRIBUTE_VALUE_INVALID), "generateContainer");
            EXPECT_TRUE(t.getContainers().empty());
        });
    }
    generate("taken", kindCases[4].kind);
    withLogin([&](Token& t) {
        expectException([&] { t.generateContainer("taken", kindCases[1].kind); }, -21,
                        "generateContainer");
        expectException([&] { t.getKeyAlgorithm("none"); }, -20, "obtainPublicKey");
    });
    expectIdle();
}
