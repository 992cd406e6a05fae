// GOST R 34.10-2012 keys through the TC26 mechanisms: generation on the 256- and 512-bit sets,
// raw and hash-and-sign signatures checked with our verifier, VKO against the other side's
// computation, and the refusals of keys, lengths and parameters that do not fit.

#include "SoftTokenFixture.h"
#include "TokenSignature2012.h"

#include <Gost2012.h>
#include <algorithm>

using gost::ParamSet2012;

namespace {

Bytes pattern(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(i * 29 + seed);
    return bytes;
}

// The TC26 set, its key pair mechanism and key type, and its raw and hash-and-sign mechanisms.
struct KeyCase {
    const char* what;
    ParamSet2012 set;
    CK_MECHANISM_TYPE generation;
    CK_KEY_TYPE keyType;
    CK_MECHANISM_TYPE raw, hashSign;
};

const KeyCase keyCases[] = {
    {"256 A", ParamSet2012::A256, CKM_GOSTR3410_KEY_PAIR_GEN, CKK_GOSTR3410, CKM_GOSTR3410,
     CKM_GOSTR3410_WITH_GOSTR3411_12_256},
    {"256 B", ParamSet2012::B256, CKM_GOSTR3410_KEY_PAIR_GEN, CKK_GOSTR3410, CKM_GOSTR3410,
     CKM_GOSTR3410_WITH_GOSTR3411_12_256},
    {"512 A", ParamSet2012::A512, CKM_GOSTR3410_512_KEY_PAIR_GEN, CKK_GOSTR3410_512,
     CKM_GOSTR3410_512, CKM_GOSTR3410_WITH_GOSTR3411_12_512},
    {"512 C", ParamSet2012::C512, CKM_GOSTR3410_512_KEY_PAIR_GEN, CKK_GOSTR3410_512,
     CKM_GOSTR3410_512, CKM_GOSTR3410_WITH_GOSTR3411_12_512},
};

} // namespace

class SoftToken2012Test : public SoftTokenMechanismTest {
protected:
    CK_RV generate2012(const KeyCase& c, CK_OBJECT_HANDLE& publicKey,
                       CK_OBJECT_HANDLE& privateKey) {
        return generate(session, c.what, publicKey, privateKey, c.generation, c.keyType,
                        oidBytesOf(c.set));
    }

    // C_SignInit with a mechanism parameter, then the data in pieces of at most 50 bytes.
    CK_RV signInParts(CK_MECHANISM_TYPE type, const Bytes& parameter, CK_OBJECT_HANDLE key,
                      const Bytes& data, Bytes& signature) {
        Bytes copy = parameter, input = data;
        CK_MECHANISM mechanism{type, copy.data(), CK_ULONG(copy.size())};
        if (CK_RV rv = p11->C_SignInit(session, &mechanism, key))
            return rv;
        for (std::size_t at = 0; at < input.size(); at += 50) {
            const CK_ULONG part = CK_ULONG(std::min<std::size_t>(50, input.size() - at));
            if (CK_RV rv = p11->C_SignUpdate(session, input.data() + at, part))
                return rv;
        }
        CK_ULONG length = 0;
        if (CK_RV rv = p11->C_SignFinal(session, nullptr, &length))
            return rv;
        signature.resize(length);
        return p11->C_SignFinal(session, signature.data(), &length);
    }

    // C_GenerateKeyPair with CKM_GOSTR3410_KEY_PAIR_GEN and these parameters on the public side.
    CK_RV generateWith(const Bytes& params, const Bytes* digestParams,
                       CK_OBJECT_HANDLE& privateKey) {
        std::vector<CK_ATTRIBUTE> publicTemplate = {attr(CKA_GOSTR3410_PARAMS, params)};
        if (digestParams)
            publicTemplate.push_back(attr(CKA_GOSTR3411_PARAMS, *digestParams));
        CK_MECHANISM mechanism{CKM_GOSTR3410_KEY_PAIR_GEN, nullptr, 0};
        CK_OBJECT_HANDLE publicKey;
        return p11->C_GenerateKeyPair(session, &mechanism, publicTemplate.data(),
                                      publicTemplate.size(), nullptr, 0, &publicKey, &privateKey);
    }
};

TEST_F(SoftToken2012Test, KeysOfEachSizeSignRawAndHashedInOneOrManyParts) {
    for (const KeyCase& c : keyCases) {
        SCOPED_TRACE(c.what);
        const std::size_t n = gost::keySize(c.set);
        CK_OBJECT_HANDLE publicKey, privateKey;
        ASSERT_EQ(generate2012(c, publicKey, privateKey), CKR_OK);
        const Bytes publicValue = attribute(session, publicKey);
        ASSERT_EQ(publicValue.size(), 2 * n);
        for (CK_OBJECT_HANDLE key : {publicKey, privateKey}) {
            CK_KEY_TYPE keyType = 0;
            CK_MECHANISM_TYPE generation = 0;
            CK_ATTRIBUTE numbers[] = {{CKA_KEY_TYPE, &keyType, sizeof keyType},
                                      {CKA_KEY_GEN_MECHANISM, &generation, sizeof generation}};
            ASSERT_EQ(p11->C_GetAttributeValue(session, key, numbers, 2), CKR_OK);
            EXPECT_EQ(keyType, c.keyType);
            EXPECT_EQ(generation, c.generation);
            EXPECT_EQ(attribute(session, key, CKA_GOSTR3410_PARAMS), oidBytesOf(c.set));
            EXPECT_EQ(attribute(session, key, CKA_GOSTR3411_PARAMS), digestOidBytesOf(c.set));
        }

        Bytes hash = pattern(n, 3), signature;
        ASSERT_EQ(sign(session, c.raw, privateKey, hash, signature), CKR_OK);
        EXPECT_TRUE(tokenSignature2012Verifies(c.set, publicValue, hash, signature));
        hash[0] ^= 1;
        EXPECT_FALSE(tokenSignature2012Verifies(c.set, publicValue, hash, signature));

        const Bytes message = pattern(201, 7);
        ASSERT_EQ(sign(session, c.hashSign, privateKey, message, signature), CKR_OK);
        EXPECT_TRUE(
            tokenSignature2012Verifies(c.set, publicValue, streebogOf(n, message), signature));
        signature.clear();
        ASSERT_EQ(signInParts(c.hashSign, digestOidBytesOf(c.set), privateKey, message, signature),
                  CKR_OK);
        EXPECT_TRUE(
            tokenSignature2012Verifies(c.set, publicValue, streebogOf(n, message), signature));
        EXPECT_FALSE(tokenSignature2012Verifies(c.set, publicValue, streebogOf(n, pattern(200, 7)),
                                                signature));
    }
}

// CKK_GOSTR3410 is a 2012 key when its set is named by TC26's identifier or its digest is
// Streebog-256, and a 2001 key on the CryptoPro identifiers otherwise: each signs only with
// its own hash-and-sign mechanism.
TEST_F(SoftToken2012Test, TheParametersTellA2001KeyFromA2012Key) {
    const Bytes streebog256 = digestOidBytesOf(ParamSet2012::B256);
    const Bytes hash94 = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1E, 0x01};
    struct Case {
        const char* what;
        Bytes params;
        const Bytes* digestParams;
        bool is2012;
    } cases[] = {
        {"CryptoPro-A", cryptoProA, nullptr, false},
        {"CryptoPro-A with GOST R 34.11-94", cryptoProA, &hash94, false},
        {"CryptoPro-A with Streebog-256", cryptoProA, &streebog256, true},
        {"TC26 B (the same curve)", oidBytesOf(ParamSet2012::B256), nullptr, true},
        {"TC26 A", oidBytesOf(ParamSet2012::A256), &streebog256, true},
    };
    const Bytes message = pattern(40, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CK_OBJECT_HANDLE privateKey;
        ASSERT_EQ(generateWith(c.params, c.digestParams, privateKey), CKR_OK);
        Bytes signature;
        EXPECT_EQ(
            sign(session, CKM_GOSTR3410_WITH_GOSTR3411_12_256, privateKey, message, signature),
            c.is2012 ? CKR_OK : CKR_KEY_TYPE_INCONSISTENT);
        EXPECT_EQ(sign(session, CKM_GOSTR3410_WITH_GOSTR3411, privateKey, message, signature),
                  c.is2012 ? CKR_KEY_TYPE_INCONSISTENT : CKR_OK);
        EXPECT_EQ(sign(session, CKM_GOSTR3410, privateKey, pattern(32, 2), signature), CKR_OK);
    }
}

TEST_F(SoftToken2012Test, GenerationRefusesParametersThatDoNotFit) {
    const Bytes unknown256 = {0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x01, 0x09};
    const Bytes unknown512 = {0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x02, 0x09};
    const Bytes a256 = oidBytesOf(ParamSet2012::A256), a512 = oidBytesOf(ParamSet2012::A512);
    struct Case {
        const char* what;
        CK_MECHANISM_TYPE mechanism;
        CK_KEY_TYPE keyType;
        Bytes params;
        CK_RV rv;
    } cases[] = {
        {"512-bit set, 256-bit mechanism", CKM_GOSTR3410_KEY_PAIR_GEN, CKK_GOSTR3410, a512,
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"256-bit set, 512-bit mechanism", CKM_GOSTR3410_512_KEY_PAIR_GEN, CKK_GOSTR3410_512, a256,
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"unknown 256-bit set", CKM_GOSTR3410_KEY_PAIR_GEN, CKK_GOSTR3410, unknown256,
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"unknown 512-bit set", CKM_GOSTR3410_512_KEY_PAIR_GEN, CKK_GOSTR3410_512, unknown512,
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"512-bit key type, 256-bit mechanism", CKM_GOSTR3410_KEY_PAIR_GEN, CKK_GOSTR3410_512, a256,
         CKR_TEMPLATE_INCONSISTENT},
        {"256-bit key type, 512-bit mechanism", CKM_GOSTR3410_512_KEY_PAIR_GEN, CKK_GOSTR3410, a512,
         CKR_TEMPLATE_INCONSISTENT},
    };
    for (const Case& c : cases) {
        CK_OBJECT_HANDLE publicKey, privateKey;
        EXPECT_EQ(generate(session, "k", publicKey, privateKey, c.mechanism, c.keyType, c.params),
                  c.rv)
            << c.what;
    }
    const Bytes streebog512 = digestOidBytesOf(ParamSet2012::A512);
    CK_OBJECT_HANDLE privateKey;
    EXPECT_EQ(generateWith(a256, &streebog512, privateKey), CKR_ATTRIBUTE_VALUE_INVALID);
    EXPECT_TRUE(find(session, {}).empty()); // nothing was made
}

TEST_F(SoftToken2012Test, SigningRefusesKeysLengthsAndParametersThatDoNotFit) {
    CK_OBJECT_HANDLE unused, key2001, key256, key512;
    ASSERT_EQ(generate(session, "2001", unused, key2001), CKR_OK);
    ASSERT_EQ(generate2012(keyCases[0], unused, key256), CKR_OK);
    ASSERT_EQ(generate2012(keyCases[2], unused, key512), CKR_OK);
    const Bytes streebog256 = digestOidBytesOf(ParamSet2012::A256);
    struct Case {
        const char* what;
        CK_OBJECT_HANDLE key;
        CK_MECHANISM_TYPE mechanism;
        Bytes parameter, data;
        CK_RV rv;
    } cases[] = {
        {"2001 key, Streebog",
         key2001,
         CKM_GOSTR3410_WITH_GOSTR3411_12_256,
         {},
         {1},
         CKR_KEY_TYPE_INCONSISTENT},
        {"2012-256 key, GOST R 34.11-94",
         key256,
         CKM_GOSTR3410_WITH_GOSTR3411,
         {},
         {1},
         CKR_KEY_TYPE_INCONSISTENT},
        {"2012-256 key, 512 raw",
         key256,
         CKM_GOSTR3410_512,
         {},
         Bytes(64),
         CKR_KEY_TYPE_INCONSISTENT},
        {"2012-256 key, Streebog-512",
         key256,
         CKM_GOSTR3410_WITH_GOSTR3411_12_512,
         {},
         {1},
         CKR_KEY_TYPE_INCONSISTENT},
        {"2012-512 key, 256 raw", key512, CKM_GOSTR3410, {}, Bytes(32), CKR_KEY_TYPE_INCONSISTENT},
        {"2012-512 key, Streebog-256",
         key512,
         CKM_GOSTR3410_WITH_GOSTR3411_12_256,
         {},
         {1},
         CKR_KEY_TYPE_INCONSISTENT},
        {"2012-256 key, 64-byte hash", key256, CKM_GOSTR3410, {}, Bytes(64, 1), CKR_DATA_LEN_RANGE},
        {"2012-512 key, 32-byte hash",
         key512,
         CKM_GOSTR3410_512,
         {},
         Bytes(32, 1),
         CKR_DATA_LEN_RANGE},
        {"2012-512 key, 63-byte hash",
         key512,
         CKM_GOSTR3410_512,
         {},
         Bytes(63, 1),
         CKR_DATA_LEN_RANGE},
        {"2012-512 key, Streebog-256 named",
         key512,
         CKM_GOSTR3410_WITH_GOSTR3411_12_512,
         streebog256,
         {1},
         CKR_MECHANISM_PARAM_INVALID},
        {"raw with a parameter", key512, CKM_GOSTR3410_512, streebog256, Bytes(64, 1),
         CKR_MECHANISM_PARAM_INVALID},
    };
    for (const Case& c : cases) {
        Bytes parameter = c.parameter, data = c.data;
        CK_MECHANISM mechanism{c.mechanism, parameter.empty() ? nullptr : parameter.data(),
                               CK_ULONG(parameter.size())};
        CK_RV rv = p11->C_SignInit(session, &mechanism, c.key);
        if (rv == CKR_OK) {
            CK_ULONG length = 0;
            rv = p11->C_Sign(session, data.data(), data.size(), nullptr, &length);
        }
        EXPECT_EQ(rv, c.rv) << c.what;
        // A refusal leaves no operation behind.
        CK_ULONG length = 0;
        EXPECT_EQ(p11->C_SignFinal(session, nullptr, &length), CKR_OPERATION_NOT_INITIALIZED)
            << c.what;
    }
    // The raw 512-bit mechanism signs in one part only.
    CK_MECHANISM raw{CKM_GOSTR3410_512, nullptr, 0};
    Bytes hash(64, 1);
    ASSERT_EQ(p11->C_SignInit(session, &raw, key512), CKR_OK);
    EXPECT_EQ(p11->C_SignUpdate(session, hash.data(), hash.size()), CKR_DATA_LEN_RANGE);
}

// VKO GOST R 34.10-2012 with Streebog-256: the token's key with a peer's public value agrees
// with the peer's own computation, with our key agreement on the peer's private key.
TEST_F(SoftToken2012Test, DerivationAgreesWithThePeersComputation) {
    for (const KeyCase& c : keyCases) {
        SCOPED_TRACE(c.what);
        const std::size_t n = gost::keySize(c.set);
        CK_OBJECT_HANDLE publicKey, privateKey;
        ASSERT_EQ(generate2012(c, publicKey, privateKey), CKR_OK);
        Bytes peerPrivate(n), peerPublic(2 * n);
        ASSERT_TRUE(gost::generateKeyPair2012(c.set, peerPrivate.data(), peerPublic.data()));
        const Bytes ukm = pattern(8, 11);
        Bytes ours;
        ASSERT_EQ(derive(privateKey, peerPublic, ukm, ours, CKM_GOSTR3410_12_DERIVE,
                         CKD_KDF_GOSTR3411_2012_256),
                  CKR_OK);
        Bytes theirs(32);
        ASSERT_TRUE(gost::vko2012(c.set, peerPrivate.data(), attribute(session, publicKey).data(),
                                  ukm.data(), ukm.size(), theirs.size(), theirs.data()));
        EXPECT_EQ(ours, theirs);
    }
    EXPECT_EQ(status().sessionObjects, 0u);
}

TEST_F(SoftToken2012Test, DerivationRefusesBadParametersAndKeysOfTheOtherStandard) {
    CK_OBJECT_HANDLE publicKey, privateKey, public2001, private2001;
    ASSERT_EQ(generate2012(keyCases[2], publicKey, privateKey), CKR_OK);
    ASSERT_EQ(generate(session, "2001", public2001, private2001), CKR_OK);
    const Bytes peer = attribute(session, publicKey);
    Bytes offCurve = peer;
    offCurve[0] ^= 1;
    const Bytes ukm(8, 1);
    struct Case {
        const char* what;
        CK_OBJECT_HANDLE key;
        CK_MECHANISM_TYPE mechanism;
        CK_ULONG kdf;
        Bytes peer, ukm;
        CK_RV rv;
    } cases[] = {
        {"no key derivation", privateKey, CKM_GOSTR3410_12_DERIVE, CKD_NULL, peer, ukm,
         CKR_MECHANISM_PARAM_INVALID},
        {"CryptoPro diversification", privateKey, CKM_GOSTR3410_12_DERIVE, CKD_CPDIVERSIFY_KDF,
         peer, ukm, CKR_MECHANISM_PARAM_INVALID},
        {"short peer", privateKey, CKM_GOSTR3410_12_DERIVE, CKD_KDF_GOSTR3411_2012_256,
         Bytes(peer.begin(), peer.begin() + 64), ukm, CKR_MECHANISM_PARAM_INVALID},
        {"peer off the curve", privateKey, CKM_GOSTR3410_12_DERIVE, CKD_KDF_GOSTR3411_2012_256,
         offCurve, ukm, CKR_MECHANISM_PARAM_INVALID},
        {"zero UKM", privateKey, CKM_GOSTR3410_12_DERIVE, CKD_KDF_GOSTR3411_2012_256, peer,
         Bytes(8, 0), CKR_MECHANISM_PARAM_INVALID},
        {"no UKM",
         privateKey,
         CKM_GOSTR3410_12_DERIVE,
         CKD_KDF_GOSTR3411_2012_256,
         peer,
         {},
         CKR_MECHANISM_PARAM_INVALID},
        {"UKM longer than the key", privateKey, CKM_GOSTR3410_12_DERIVE, CKD_KDF_GOSTR3411_2012_256,
         peer, Bytes(65, 1), CKR_MECHANISM_PARAM_INVALID},
        {"2012 key, 2001 derivation", privateKey, CKM_GOSTR3410_DERIVE, CKD_CPDIVERSIFY_KDF, peer,
         ukm, CKR_KEY_TYPE_INCONSISTENT},
        {"2001 key, 2012 derivation", private2001, CKM_GOSTR3410_12_DERIVE,
         CKD_KDF_GOSTR3411_2012_256, attribute(session, public2001), ukm,
         CKR_KEY_TYPE_INCONSISTENT},
        {"public key", publicKey, CKM_GOSTR3410_12_DERIVE, CKD_KDF_GOSTR3411_2012_256, peer, ukm,
         CKR_KEY_TYPE_INCONSISTENT},
    };
    for (const Case& c : cases) {
        Bytes value;
        EXPECT_EQ(derive(c.key, c.peer, c.ukm, value, c.mechanism, c.kdf), c.rv) << c.what;
    }
    EXPECT_EQ(status().sessionObjects, 0u);
}

// A 2012 key pair made elsewhere and stored through C_CreateObject signs as a generated one;
// values that are no key of the set are refused.
TEST_F(SoftToken2012Test, CreatedKeysAreCheckedAndSign) {
    const ParamSet2012 set = ParamSet2012::B512;
    Bytes d(64), q(128);
    ASSERT_TRUE(gost::generateKeyPair2012(set, d.data(), q.data()));
    const Bytes params = oidBytesOf(set);
    const CK_ULONG privateClass = CKO_PRIVATE_KEY, publicClass = CKO_PUBLIC_KEY,
                   keyType = CKK_GOSTR3410_512;
    const auto create = [&](CK_ULONG objectClass, const Bytes& value, CK_OBJECT_HANDLE& object) {
        std::vector<CK_ATTRIBUTE> t = {attr(CKA_CLASS, objectClass), attr(CKA_KEY_TYPE, keyType),
                                       attr(CKA_GOSTR3410_PARAMS, params), attr(CKA_VALUE, value)};
        return p11->C_CreateObject(session, t.data(), t.size(), &object);
    };
    CK_OBJECT_HANDLE privateKey, object;
    ASSERT_EQ(create(privateClass, d, privateKey), CKR_OK);
    const Bytes hash = pattern(64, 5);
    Bytes signature;
    ASSERT_EQ(sign(session, CKM_GOSTR3410_512, privateKey, hash, signature), CKR_OK);
    EXPECT_TRUE(tokenSignature2012Verifies(set, q, hash, signature));

    EXPECT_EQ(create(privateClass, Bytes(64, 0xFF), object), CKR_ATTRIBUTE_VALUE_INVALID); // >= q
    EXPECT_EQ(create(privateClass, Bytes(d.begin(), d.begin() + 32), object),
              CKR_ATTRIBUTE_VALUE_INVALID);
    EXPECT_EQ(create(publicClass, Bytes(q.begin(), q.begin() + 64), object),
              CKR_ATTRIBUTE_VALUE_INVALID);
    EXPECT_EQ(create(publicClass, q, object), CKR_OK);
}

// In adapter mode the 2012 mechanisms reach the next module: a 256-bit key pair generated as
// pkcs11-tool asks for one (a TC26 set, no digest named), a 512-bit one, their signatures and
// key agreement.
class SoftToken2012AdapterTest : public SoftTokenMechanismTest {
protected:
    void SetUp() override {
        SoftTokenTest::SetUp();
        writeConfig(adapterInFrontOfACopy());
        initialize();
        session = openSession();
        ASSERT_EQ(login(session, "4321"), CKR_OK);
    }
};

TEST_F(SoftToken2012AdapterTest, The2012MechanismsPassThrough) {
    for (const KeyCase& c : {keyCases[0], keyCases[2]}) {
        SCOPED_TRACE(c.what);
        const std::size_t n = gost::keySize(c.set);
        CK_OBJECT_HANDLE publicKey, privateKey;
        ASSERT_EQ(generate(session, c.what, publicKey, privateKey, c.generation, c.keyType,
                           oidBytesOf(c.set)),
                  CKR_OK);
        EXPECT_EQ(attribute(session, publicKey, CKA_GOSTR3411_PARAMS), digestOidBytesOf(c.set));
        const Bytes publicValue = attribute(session, publicKey), message = pattern(70, 4);
        Bytes signature;
        ASSERT_EQ(sign(session, c.hashSign, privateKey, message, signature), CKR_OK);
        EXPECT_TRUE(
            tokenSignature2012Verifies(c.set, publicValue, streebogOf(n, message), signature));

        Bytes peerPrivate(n), peerPublic(2 * n), theirs(32), ours;
        ASSERT_TRUE(gost::generateKeyPair2012(c.set, peerPrivate.data(), peerPublic.data()));
        const Bytes ukm(8, 0x42);
        ASSERT_TRUE(gost::vko2012(c.set, peerPrivate.data(), publicValue.data(), ukm.data(),
                                  ukm.size(), theirs.size(), theirs.data()));
        ASSERT_EQ(derive(privateKey, peerPublic, ukm, ours, CKM_GOSTR3410_12_DERIVE,
                         CKD_KDF_GOSTR3411_2012_256),
                  CKR_OK);
        EXPECT_EQ(ours, theirs);
    }
}
