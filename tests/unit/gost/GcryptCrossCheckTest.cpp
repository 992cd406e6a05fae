// Our GOST code against libgcrypt's independent GOST R 34.10-2001, GOST R 34.11-94 and
// GOST 28147-89, on random keys and inputs.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "GcryptGost.h"
#include "Gost28147.h"
#include "GostCrypto.h"
#include "GostTestSupport.h"
#include "Streebog.h"
#include "kvcSignHash.h"

using namespace gost;
using namespace gost::test;

namespace {

class Gcrypt : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(gcrypt::initialize()); }

    std::mt19937 rng{20260101};

    std::vector<std::uint8_t> randomData(std::size_t size) {
        std::vector<std::uint8_t> data(size);
        for (auto& b : data)
            b = std::uint8_t(rng());
        return data;
    }

    Scalar randomScalar() {
        Scalar s;
        for (auto& b : s)
            b = std::uint8_t(rng());
        return s;
    }

    static bool gcryptVerify(Curve curve, const Point& q, const Scalar& hash, const Scalar& r,
                             const Scalar& s) {
        gcrypt::Sexp key, data;
        return gcrypt::makePublicKey(curve, q, key) && gcrypt::makeData(hash, data) &&
               gcrypt::verify(key, data, r, s);
    }
};

const Curve kCurves[] = {Curve::Test, Curve::CryptoProA, Curve::CryptoProB, Curve::CryptoProC};

} // namespace

TEST_F(Gcrypt, HashAgrees) {
    for (std::size_t size : {0, 1, 31, 32, 33, 63, 64, 65, 100, 1000, 4097}) {
        const std::vector<std::uint8_t> data = randomData(size);
        Digest theirs;
        gcry_md_hash_buffer(GCRY_MD_GOSTR3411_CP, theirs.data(), data.data(), data.size());
        EXPECT_EQ(hash3411(data.data(), data.size()), theirs) << size << " bytes";
    }
}

// Every length up to three blocks, then lengths around larger block multiples: the padding,
// the bit counter and the carries of the block sum all differ there.
TEST_F(Gcrypt, StreebogAgrees) {
    std::vector<std::size_t> sizes;
    for (std::size_t size = 0; size <= 192; ++size)
        sizes.push_back(size);
    for (std::size_t blocks : {4u, 16u, 17u, 1000u})
        for (std::size_t size : {64 * blocks - 1, 64 * blocks, 64 * blocks + 1})
            sizes.push_back(size);
    for (std::size_t size : sizes) {
        std::vector<std::uint8_t> data = randomData(size);
        // All-ones blocks make every addition of the block sum carry.
        if (size % 3 == 0)
            std::fill(data.begin(), data.end(), 0xff);
        Digest256 theirs256;
        Digest512 theirs512;
        gcry_md_hash_buffer(GCRY_MD_STRIBOG256, theirs256.data(), data.data(), data.size());
        gcry_md_hash_buffer(GCRY_MD_STRIBOG512, theirs512.data(), data.data(), data.size());
        EXPECT_EQ(streebog256(data.data(), data.size()), theirs256) << size << " bytes";
        EXPECT_EQ(streebog512(data.data(), data.size()), theirs512) << size << " bytes";
    }
}

TEST_F(Gcrypt, CipherAgreesInSimpleAndFeedbackModes) {
    for (int round = 0; round < 20; ++round) {
        const std::vector<std::uint8_t> key = randomData(32), iv = randomData(8);
        const std::vector<std::uint8_t> data = randomData(8 * (1 + rng() % 64));
        Gost28147 ours(SBoxSet::CryptoProA, key.data());
        for (int mode : {GCRY_CIPHER_MODE_ECB, GCRY_CIPHER_MODE_CFB}) {
            gcry_cipher_hd_t hd;
            ASSERT_EQ(gcry_cipher_open(&hd, GCRY_CIPHER_GOST28147, mode, 0), 0u);
            char sbox[] = "1.2.643.2.2.31.1";
            ASSERT_EQ(gcry_cipher_ctl(hd, GCRYCTL_SET_SBOX, sbox, 0), 0u);
            ASSERT_EQ(gcry_cipher_setkey(hd, key.data(), key.size()), 0u);
            if (mode == GCRY_CIPHER_MODE_CFB) {
                ASSERT_EQ(gcry_cipher_setiv(hd, iv.data(), iv.size()), 0u);
            }
            std::vector<std::uint8_t> theirs(data.size()), mine(data.size());
            ASSERT_EQ(
                gcry_cipher_encrypt(hd, theirs.data(), theirs.size(), data.data(), data.size()),
                0u);
            gcry_cipher_close(hd);
            if (mode == GCRY_CIPHER_MODE_ECB)
                ours.encryptEcb(data.data(), mine.data(), data.size());
            else
                ours.encryptCfb(iv.data(), data.data(), mine.data(), data.size());
            EXPECT_EQ(mine, theirs) << (mode == GCRY_CIPHER_MODE_ECB ? "ECB" : "CFB");
        }
    }
}

TEST_F(Gcrypt, PublicKeysAgree) {
    for (Curve curve : kCurves) {
        Scalar d;
        Point q;
        ASSERT_TRUE(generateKeyPair(curve, d, q));
        Point theirs;
        ASSERT_TRUE(gcrypt::multiply(curve, d, nullptr, theirs));
        EXPECT_EQ(q.x, theirs.x);
        EXPECT_EQ(q.y, theirs.y);
    }
}

TEST_F(Gcrypt, KvcSignHashSignaturesVerifyInGcrypt) {
    for (int round = 0; round < 10; ++round) {
        Scalar d;
        Point q;
        ASSERT_TRUE(generateKeyPair(Curve::CryptoProA, d, q));
        const Scalar hash = randomScalar();
        std::uint8_t signature[64];
        std::uint32_t length = sizeof signature;
        ASSERT_EQ(kvcSignHash(signature, &length, d.data(), 32, hash.data(), 32), 0u);
        Scalar r, s;
        std::memcpy(r.data(), signature, 32);
        std::memcpy(s.data(), signature + 32, 32);
        EXPECT_TRUE(gcryptVerify(Curve::CryptoProA, q, hash, r, s));
        s[7] ^= 0x10;
        EXPECT_FALSE(gcryptVerify(Curve::CryptoProA, q, hash, r, s));
    }
}

TEST_F(Gcrypt, SignaturesCrossVerifyOnEverySet) {
    for (Curve curve : kCurves) {
        Scalar d;
        Point q;
        ASSERT_TRUE(generateKeyPair(curve, d, q));
        const Scalar hash = randomScalar();
        Scalar r, s;
        ASSERT_TRUE(sign(curve, d, hash, r, s));
        EXPECT_TRUE(gcryptVerify(curve, q, hash, r, s));
        gcrypt::Sexp key, data;
        ASSERT_TRUE(gcrypt::makePrivateKey(curve, d, q, key) && gcrypt::makeData(hash, data));
        ASSERT_TRUE(gcrypt::sign(key, data, r, s));
        EXPECT_TRUE(verify(curve, q, hash, r, s));
    }
}

TEST_F(Gcrypt, VkoAgrees) {
    for (Curve curve : kCurves)
        for (int round = 0; round < 3; ++round) {
            Scalar d1, d2;
            Point q1, q2;
            ASSERT_TRUE(generateKeyPair(curve, d1, q1));
            ASSERT_TRUE(generateKeyPair(curve, d2, q2));
            Ukm ukm;
            for (auto& b : ukm)
                b = std::uint8_t(rng());
            Key256 ours, peers;
            ASSERT_TRUE(vko(curve, d1, q2, ukm, ours));
            ASSERT_TRUE(vko(curve, d2, q1, ukm, peers));
            EXPECT_EQ(ours, peers);
            Key256 theirs;
            ASSERT_TRUE(gcrypt::vko(curve, d1, q2, ukm, theirs));
            EXPECT_EQ(ours, theirs);
        }
}

TEST_F(Gcrypt, DiversificationAgreesWithGcryptFeedbackMode) {
    for (int round = 0; round < 10; ++round) {
        Key256 key;
        Ukm ukm;
        for (auto& b : key)
            b = std::uint8_t(rng());
        for (auto& b : ukm)
            b = std::uint8_t(rng());
        // RFC 4357, 6.5 written out on libgcrypt's cipher.
        Key256 k = key;
        for (int i = 0; i < 8; ++i) {
            std::uint32_t s1 = 0, s2 = 0;
            for (int j = 0; j < 8; ++j) {
                const std::uint32_t w = std::uint32_t(k[4 * j]) | std::uint32_t(k[4 * j + 1]) << 8 |
                                        std::uint32_t(k[4 * j + 2]) << 16 |
                                        std::uint32_t(k[4 * j + 3]) << 24;
                (ukm[i] >> j & 1 ? s1 : s2) += w;
            }
            std::uint8_t iv[8];
            for (int b = 0; b < 4; ++b) {
                iv[b] = std::uint8_t(s1 >> 8 * b);
                iv[4 + b] = std::uint8_t(s2 >> 8 * b);
            }
            gcry_cipher_hd_t hd;
            ASSERT_EQ(gcry_cipher_open(&hd, GCRY_CIPHER_GOST28147, GCRY_CIPHER_MODE_CFB, 0), 0u);
            char sbox[] = "1.2.643.2.2.31.1";
            ASSERT_EQ(gcry_cipher_ctl(hd, GCRYCTL_SET_SBOX, sbox, 0), 0u);
            ASSERT_EQ(gcry_cipher_setkey(hd, k.data(), 32), 0u);
            ASSERT_EQ(gcry_cipher_setiv(hd, iv, 8), 0u);
            ASSERT_EQ(gcry_cipher_encrypt(hd, k.data(), 32, nullptr, 0), 0u);
            gcry_cipher_close(hd);
        }
        EXPECT_EQ(cryptoProDiversify(key, ukm), k);
    }
}
