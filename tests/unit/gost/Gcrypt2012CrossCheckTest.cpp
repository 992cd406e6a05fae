// Our GOST R 34.10-2012 against libgcrypt's, on every set: the curve numbers themselves, public
// keys, signatures both ways and key agreement, on random keys.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "GcryptGost.h"
#include "Gost2012.h"
#include "GostTestSupport.h"

using namespace gost;
using namespace gost::gcrypt;

namespace {

class Gcrypt2012 : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(gcrypt::initialize()); }

    std::mt19937 rng{20261211};

    Bytes randomBytes(std::size_t size) { return test::randomBytes(rng, size); }

    Bytes hashFor(ParamSet2012 set) { return randomBytes(keySize(set)); }

    static bool theirVerify(ParamSet2012 set, const Bytes& q, const Bytes& hash, const Bytes& r,
                            const Bytes& s) {
        Sexp key, data;
        return makePublicKey(curveName(set), q, key) && makeData(hash, data) &&
               verify(key, data, r, s);
    }

    static bool theirSign(ParamSet2012 set, const Bytes& d, const Bytes& q, const Bytes& hash,
                          Bytes& r, Bytes& s) {
        Sexp key, data;
        return makePrivateKey(curveName(set), d, q, key) && makeData(hash, data) &&
               sign(key, data, r, s);
    }
};

std::string withoutLeadingZeros(std::string text) {
    text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
    return text;
}

} // namespace

// A typo in a constant shows here, named.
TEST_F(Gcrypt2012, ParameterTablesMatchLibgcrypt) {
    for (ParamSet2012 set : kParamSets2012) {
        Context ctx(set);
        ASSERT_TRUE(ctx.value) << curveName(set);
        const ParamSet2012Text& ours = parametersOf(set);
        const std::pair<const char*, const char*> numbers[] = {{"p", ours.p},   {"a", ours.a},
                                                               {"b", ours.b},   {"n", ours.q},
                                                               {"g.x", ours.x}, {"g.y", ours.y}};
        for (auto [name, text] : numbers) {
            Mpi m(gcry_mpi_ec_get_mpi(name, ctx.value, 1));
            EXPECT_EQ(withoutLeadingZeros(text), textOf(m.value)) << curveName(set) << " " << name;
        }
        Mpi h(gcry_mpi_ec_get_mpi("h", ctx.value, 1));
        EXPECT_EQ(std::to_string(ours.cofactor), textOf(h.value)) << curveName(set);
    }
}

// Random keys, and keys whose 5-bit windows sit on the edges of the signed digits: every
// window 15, 16 or 17 (no carry, the largest positive digit, the first negative one), every
// window 31 (a carry through all), and q - 1, q - 2.
TEST_F(Gcrypt2012, PublicKeysAgree) {
    for (ParamSet2012 set : kParamSets2012) {
        const std::size_t size = keySize(set);
        std::vector<Bytes> keys;
        for (unsigned window : {15u, 16u, 17u, 31u}) {
            Bytes d(size, 0);
            // Below q on every set: the top byte stays under 0x3F.
            for (std::size_t bit = 0; bit + 5 <= 8 * size - 3; bit += 5)
                for (unsigned b = 0; b < 5; ++b)
                    if (window >> b & 1)
                        d[(bit + b) / 8] |= std::uint8_t(1 << ((bit + b) % 8));
            keys.push_back(d);
        }
        const Bytes q = test::bytesFromHex(
            std::string(2 * size - std::strlen(parametersOf(set).q), '0') + parametersOf(set).q);
        for (unsigned minus : {1u, 2u}) {
            Bytes d(q.rbegin(), q.rend());
            d[0] = std::uint8_t(d[0] - minus); // q is odd and its low byte above 2
            keys.push_back(d);
        }
        Bytes random(size), ignored(2 * size);
        ASSERT_TRUE(generateKeyPair2012(set, random.data(), ignored.data()));
        keys.push_back(random);
        for (const Bytes& d : keys) {
            Bytes ours(2 * size), theirs;
            ASSERT_TRUE(publicKeyOf2012(set, d.data(), ours.data()));
            ASSERT_TRUE(multiplyXY(curveName(set), d, nullptr, theirs));
            EXPECT_EQ(ours, theirs)
                << curveName(set) << " d = " << test::hexFromBytes(d.data(), size);
        }
    }
}

TEST_F(Gcrypt2012, SignaturesVerifyBothWays) {
    for (ParamSet2012 set : kParamSets2012)
        for (int round = 0; round < 3; ++round) {
            const std::size_t size = keySize(set);
            Bytes d(size), q(2 * size), r(size), s(size);
            ASSERT_TRUE(generateKeyPair2012(set, d.data(), q.data()));
            const Bytes hash = hashFor(set);
            ASSERT_TRUE(sign2012(set, d.data(), hash.data(), r.data(), s.data()));
            EXPECT_TRUE(theirVerify(set, q, hash, r, s)) << curveName(set) << ": ours in libgcrypt";
            Bytes theirR(size), theirS(size);
            ASSERT_TRUE(theirSign(set, d, q, hash, theirR, theirS)) << curveName(set);
            EXPECT_TRUE(verify2012(set, q.data(), hash.data(), theirR.data(), theirS.data()))
                << curveName(set) << ": libgcrypt's in ours";
            theirS[1] ^= 4;
            EXPECT_FALSE(verify2012(set, q.data(), hash.data(), theirR.data(), theirS.data()));
        }
}

TEST_F(Gcrypt2012, KeyAgreementAgreesWithTheRfcFormula) {
    for (ParamSet2012 set : kParamSets2012) {
        const std::size_t size = keySize(set);
        Bytes d(size), q(2 * size), peerD(size), peer(2 * size);
        ASSERT_TRUE(generateKeyPair2012(set, d.data(), q.data()));
        ASSERT_TRUE(generateKeyPair2012(set, peerD.data(), peer.data()));
        for (std::size_t ukmSize : {8u, 16u}) {
            const Bytes ukm = randomBytes(ukmSize);
            for (auto [digestSize, algorithm] :
                 {std::pair{32u, GCRY_MD_STRIBOG256}, std::pair{64u, GCRY_MD_STRIBOG512}}) {
                Bytes ours(digestSize), theirs;
                ASSERT_TRUE(vko2012(set, d.data(), peer.data(), ukm.data(), ukm.size(), digestSize,
                                    ours.data()));
                ASSERT_TRUE(vko(set, d, peer, ukm, algorithm, theirs));
                EXPECT_EQ(ours, theirs) << curveName(set) << ", " << digestSize;
            }
        }
    }
}
