#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Gost28147.h"
#include "Gost3411.h"
#include "GostCrypto.h"
#include "GostTestSupport.h"

using namespace gost;
using namespace gost::test;

namespace {

struct HashCase {
    std::string message;
    const char* digest;
};

// Published GOST R 34.11-94 digests with the CryptoPro parameter set, as byte strings.
const HashCase kHashCases[] = {
    {"", "981E5F3CA30C841487830F84FB433E13AC1101569B9C13584AC483234CD656C0"},
    {"a", "E74C52DD282183BF37AF0079C9F78055715A103F17E3133CEFF1AACF2F403011"},
    {"abc", "B285056DBF18D7392D7677369524DD14747459ED8143997E163B2986F92FD42C"},
    {"message digest", "BC6041DD2AA401EBFA6E9886734174FEBDB4729AA972D60F549AC39B29721BA0"},
    {"The quick brown fox jumps over the lazy dog",
     "9004294A361A508C586FE53D1F1B02746765E71B765472786E4770D565830A76"},
    {"This is message, length=32 bytes",
     "2CEFC2F7B7BDC514E18EA57FA74FF357E7FA17D652C75F69CB1BE7893EDE48EB"},
    {"Suppose the original message has length = 50 bytes",
     "C3730C5CBCCACF915AC292676F21E8BD4EF75331D9405E5F1A61DC3130A65011"},
    {std::string(128, 'U'), "1C4AC7614691BBF427FA2316216BE8F10D92EDFD37CD1027514C1008F649C4E8"},
};

} // namespace

TEST(Gost3411, PublishedDigests) {
    for (const HashCase& c : kHashCases) {
        const Digest d =
            hash3411(reinterpret_cast<const std::uint8_t*>(c.message.data()), c.message.size());
        EXPECT_EQ(hexFromBytes(d.data(), d.size()), c.digest) << '"' << c.message << '"';
    }
}

TEST(Gost3411, PiecewiseEqualsWhole) {
    const std::string text(1000, 'x');
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    Gost3411 pieces;
    for (std::size_t at = 0, step = 1; at < text.size(); at += step, step = step % 37 + 1)
        pieces.update(data + at, std::min(step, text.size() - at));
    Digest d;
    pieces.finish(d.data());
    EXPECT_EQ(d, hash3411(data, text.size()));
}

TEST(Gost28147, CryptoProACipherFeedback) {
    // Key 0123456789ABCDEF four times, zero IV (the GOST engine's CFB test, parameter set A).
    const std::vector<std::uint8_t> key =
        bytesFromHex("0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF");
    const std::string text = "The quick brown fox jumps over the lazy dog\n";
    const std::uint8_t iv[8] = {};
    std::vector<std::uint8_t> out(text.size());
    Gost28147(SBoxSet::CryptoProA, key.data())
        .encryptCfb(iv, reinterpret_cast<const std::uint8_t*>(text.data()), out.data(), out.size());
    EXPECT_EQ(hexFromBytes(out.data(), out.size()),
              "07F4102C6185C4A09E676E269BFA4BC9C5DF6575916B879BD13A893A2285EE66"
              "90107CDEEF7A315D2EB54BFA");
}
