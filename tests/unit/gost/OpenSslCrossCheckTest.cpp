// Our GOST R 34.10-2012 against OpenSSL's GOST engine: signatures both ways, key agreement
// from both sides, and Streebog, on keys the engine reads from their DER forms.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "Gost2012.h"
#include "GostTestSupport.h"
#include "OpenSslGost.h"
#include "Streebog.h"

using namespace gost;
using namespace gost::openssl;

namespace {

// The sets the engine knows (it has no test sets).
const ParamSet2012 kEngineSets[] = {ParamSet2012::A256, ParamSet2012::B256, ParamSet2012::C256,
                                    ParamSet2012::D256, ParamSet2012::A512, ParamSet2012::B512,
                                    ParamSet2012::C512};

class OpenSslGost : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(engine(), nullptr) << "libengine-gost-openssl"; }

    std::mt19937 rng{20261212};

    Bytes randomBytes(std::size_t size) { return test::randomBytes(rng, size); }

    struct Pair {
        Bytes d, q;
    };

    static Pair generate(ParamSet2012 set) {
        Pair pair{Bytes(keySize(set)), Bytes(2 * keySize(set))};
        EXPECT_TRUE(generateKeyPair2012(set, pair.d.data(), pair.q.data()));
        return pair;
    }
};

} // namespace

TEST_F(OpenSslGost, SignaturesVerifyBothWays) {
    for (ParamSet2012 set : kEngineSets)
        for (int round = 0; round < 2; ++round) {
            const std::size_t size = keySize(set);
            const Pair pair = generate(set);
            Key theirPublic, theirPrivate;
            ASSERT_TRUE(publicKey(set, pair.q, theirPublic)) << int(set);
            ASSERT_TRUE(privateKey(set, pair.d, theirPrivate)) << int(set);
            const Bytes hash = randomBytes(size);
            Bytes r(size), s(size);
            ASSERT_TRUE(sign2012(set, pair.d.data(), hash.data(), r.data(), s.data()));
            EXPECT_TRUE(verify(theirPublic.value, hash, r, s)) << int(set) << ": ours there";
            s[0] ^= 1;
            EXPECT_FALSE(verify(theirPublic.value, hash, r, s)) << int(set);
            Bytes theirR, theirS;
            ASSERT_TRUE(sign(theirPrivate.value, hash, theirR, theirS)) << int(set);
            EXPECT_TRUE(verify2012(set, pair.q.data(), hash.data(), theirR.data(), theirS.data()))
                << int(set) << ": theirs here";
        }
}

TEST_F(OpenSslGost, KeyAgreementAgreesWithDerive) {
    for (ParamSet2012 set : kEngineSets) {
        const Pair a = generate(set), b = generate(set);
        Key aPrivate, bPublic;
        ASSERT_TRUE(privateKey(set, a.d, aPrivate));
        ASSERT_TRUE(publicKey(set, b.q, bPublic));
        const Bytes ukm = randomBytes(8);
        Bytes theirs;
        ASSERT_TRUE(derive(aPrivate.value, bPublic.value, ukm, theirs)) << int(set);
        ASSERT_TRUE(theirs.size() == 32 || theirs.size() == 64) << theirs.size();
        Bytes ours(theirs.size());
        ASSERT_TRUE(
            vko2012(set, b.d.data(), a.q.data(), ukm.data(), ukm.size(), ours.size(), ours.data()));
        EXPECT_EQ(ours, theirs) << int(set);
    }
}

TEST_F(OpenSslGost, StreebogAgrees) {
    for (std::size_t size : {0u, 1u, 63u, 64u, 65u, 1000u}) {
        const Bytes data = randomBytes(size);
        Digest256 theirs;
        ASSERT_TRUE(streebog256(data.data(), data.size(), theirs.data()));
        EXPECT_EQ(gost::streebog256(data.data(), data.size()), theirs) << size;
    }
}

namespace {

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// `openssl pkeyutl -verify` with the engine named in a configuration file, as an administrator
// sets it up: whether it accepts the signature of the hash by the key.
bool pkeyutlVerifies(const std::filesystem::path& dir, ParamSet2012 set, const Bytes& q,
                     const Bytes& hash, const Bytes& r, const Bytes& s) {
    writeFile(dir / "pub.der", subjectPublicKeyInfo(set, q));
    writeFile(dir / "hash.bin", hash);
    writeFile(dir / "sig.bin", signatureOf(r, s));
    const std::string command =
        "OPENSSL_CONF='" + (dir / "engine.cnf").string() + "' " + KV_OPENSSL_PROGRAM +
        " pkeyutl -verify -pubin -keyform DER -inkey '" + (dir / "pub.der").string() + "' -in '" +
        (dir / "hash.bin").string() + "' -sigfile '" + (dir / "sig.bin").string() +
        "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace

TEST_F(OpenSslGost, OurSignaturesVerifyWithPkeyutl) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kv-pkeyutl-" + std::to_string(rng()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "engine.cnf") << "openssl_conf = openssl_def\n"
                                         "[openssl_def]\nengines = engine_section\n"
                                         "[engine_section]\ngost = gost_section\n"
                                         "[gost_section]\nengine_id = gost\n"
                                         "dynamic_path = " KV_GOST_ENGINE_PATH "\n"
                                         "default_algorithms = ALL\n";
    for (ParamSet2012 set : {ParamSet2012::A256, ParamSet2012::A512}) {
        const std::size_t size = keySize(set);
        const Pair pair = generate(set);
        const Bytes hash = randomBytes(size);
        Bytes r(size), s(size);
        ASSERT_TRUE(sign2012(set, pair.d.data(), hash.data(), r.data(), s.data()));
        EXPECT_TRUE(pkeyutlVerifies(dir, set, pair.q, hash, r, s)) << int(set);
        r[2] ^= 8;
        EXPECT_FALSE(pkeyutlVerifies(dir, set, pair.q, hash, r, s)) << int(set);
    }
    std::filesystem::remove_all(dir);
}
