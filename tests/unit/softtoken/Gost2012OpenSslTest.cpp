// The software token's 2012 keys against OpenSSL's GOST engine: the engine verifies what the
// token signs with the public key the token holds, and its key agreement with the token's public
// key agrees with the token's VKO.

#include "OpenSslGost.h"
#include "SoftTokenFixture.h"
#include "TokenSignature2012.h"

using gost::ParamSet2012;

namespace {

struct EngineCase {
    ParamSet2012 set;
    CK_MECHANISM_TYPE generation;
    CK_KEY_TYPE keyType;
    CK_MECHANISM_TYPE hashSign;
};

const EngineCase engineCases[] = {
    {ParamSet2012::A256, CKM_GOSTR3410_KEY_PAIR_GEN, CKK_GOSTR3410,
     CKM_GOSTR3410_WITH_GOSTR3411_12_256},
    {ParamSet2012::B256, CKM_GOSTR3410_KEY_PAIR_GEN, CKK_GOSTR3410,
     CKM_GOSTR3410_WITH_GOSTR3411_12_256},
    {ParamSet2012::A512, CKM_GOSTR3410_512_KEY_PAIR_GEN, CKK_GOSTR3410_512,
     CKM_GOSTR3410_WITH_GOSTR3411_12_512},
    {ParamSet2012::C512, CKM_GOSTR3410_512_KEY_PAIR_GEN, CKK_GOSTR3410_512,
     CKM_GOSTR3410_WITH_GOSTR3411_12_512},
};

} // namespace

class SoftTokenOpenSslTest : public SoftTokenMechanismTest {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(gost::openssl::engine(), nullptr) << "libengine-gost-openssl";
    }
};

TEST_F(SoftTokenOpenSslTest, TheEngineVerifiesTokenSignaturesAndAgreesOnKeys) {
    for (const EngineCase& c : engineCases) {
        SCOPED_TRACE(int(c.set));
        const std::size_t n = gost::keySize(c.set);
        CK_OBJECT_HANDLE publicKey, privateKey;
        ASSERT_EQ(generate(session, "engine", publicKey, privateKey, c.generation, c.keyType,
                           oidBytesOf(c.set)),
                  CKR_OK);
        const Bytes publicValue = attribute(session, publicKey);
        gost::openssl::Key tokenKey;
        ASSERT_TRUE(gost::openssl::publicKey(c.set, publicValue, tokenKey));

        const Bytes message = {'t', 'o', ' ', 'O', 'p', 'e', 'n', 'S', 'S', 'L'};
        Bytes signature, r, s;
        ASSERT_EQ(sign(session, c.hashSign, privateKey, message, signature), CKR_OK);
        gost::openssl::splitSignature(signature, r, s);
        EXPECT_TRUE(gost::openssl::verify(tokenKey.value, streebogOf(n, message), r, s));
        EXPECT_FALSE(gost::openssl::verify(tokenKey.value, streebogOf(n, {'x'}), r, s));

        // The engine derives with a key of its own (made by our generator, handed over as a
        // PrivateKeyInfo); the token with the engine's public key.
        Bytes peerPrivate(n), peerPublic(2 * n);
        ASSERT_TRUE(gost::generateKeyPair2012(c.set, peerPrivate.data(), peerPublic.data()));
        gost::openssl::Key engineKey;
        ASSERT_TRUE(gost::openssl::privateKey(c.set, peerPrivate, engineKey));
        const Bytes ukm = {9, 8, 7, 6, 5, 4, 3, 2};
        Bytes theirs, ours;
        ASSERT_TRUE(gost::openssl::derive(engineKey.value, tokenKey.value, ukm, theirs));
        ASSERT_EQ(derive(privateKey, peerPublic, ukm, ours, CKM_GOSTR3410_12_DERIVE,
                         CKD_KDF_GOSTR3411_2012_256),
                  CKR_OK);
        // The engine hashes the shared point with Streebog-256 for keys of both sizes.
        EXPECT_EQ(ours, theirs);
        ASSERT_EQ(p11->C_DestroyObject(session, publicKey), CKR_OK);
        ASSERT_EQ(p11->C_DestroyObject(session, privateKey), CKR_OK);
    }
}
