// GOST R 34.10-2012 signatures and VKO key agreement: the published examples, round trips on
// every set, and the inputs that must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Gost2012.h"
#include "GostTestSupport.h"

using namespace gost;
using namespace gost::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A number printed most significant digit first, as size bytes least significant first.
Bytes littleEndian(const std::string& hex, std::size_t size) {
    Bytes bytes = bytesFromHex(std::string(2 * size - hex.size(), '0') + hex);
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

Bytes concat(const Bytes& a, const Bytes& b) {
    Bytes r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

struct SignatureExample {
    ParamSet2012 set;
    const char *d, *e, *k, *r, *s, *qx, *qy;
};

// The examples of GOST R 34.10-2012, appendix A (RFC 7091, 7.1 and 7.2).
const SignatureExample kExamples[] = {
    {ParamSet2012::Test256, "7A929ADE789BB9BE10ED359DD39A72C11B60961F49397EEE1D19CE9891EC3B28",
     "2DFBC1B372D89A1188C09C52E0EEC61FCE52032AB1022E8E67ECE6672B043EE5",
     "77105C9B20BCD3122823C8CF6FCC7B956DE33814E95B7FE64FED924594DCEAB3",
     "41AA28D2F1AB148280CD9ED56FEDA41974053554A42767B83AD043FD39DC0493",
     "01456C64BA4642A1653C235A98A60249BCD6D3F746B631DF928014F6C5BF9C40",
     "7F2B49E270DB6D90D8595BEC458B50C58585BA1D4E9B788F6689DBD8E56FD80B",
     "26F1B489D6701DD185C8413A977B3CBBAF64D1C593D26627DFFB101A87FF77DA"},
    {ParamSet2012::Test512,
     "0BA6048AADAE241BA40936D47756D7C93091A0E8514669700EE7508E508B1020"
     "72E8123B2200A0563322DAD2827E2714A2636B7BFD18AADFC62967821FA18DD4",
     "3754F3CFACC9E0615C4F4A7C4D8DAB531B09B6F9C170C533A71D147035B0C591"
     "7184EE536593F4414339976C647C5D5A407ADEDB1D560C4FC6777D2972075B8C",
     "0359E7F4B1410FEACC570456C6801496946312120B39D019D455986E364F3658"
     "86748ED7A44B3E794434006011842286212273A6D14CF70EA3AF71BB1AE679F1",
     "2F86FA60A081091A23DD795E1E3C689EE512A3C82EE0DCC2643C78EEA8FCACD3"
     "5492558486B20F1C9EC197C90699850260C93BCBCD9C5C3317E19344E173AE36",
     "1081B394696FFE8E6585E7A9362D26B6325F56778AADBC081C0BFBE933D52FF5"
     "823CE288E8C4F362526080DF7F70CE406A6EEB1F56919CB92A9853BDE73E5B4A",
     "115DC5BC96760C7B48598D8AB9E740D4C4A85A65BE33C1815B5C320C854621DD"
     "5A515856D13314AF69BC5B924C8B4DDFF75C45415C1D9DD9DD33612CD530EFE1",
     "37C7C90CD40B0F5621DC3AC1B751CFA0E2634FA0503B3D52639F5D7FB72AFD61"
     "EA199441D943FFE7F0C70A2759A3CDB84C114E1F9339FDF27F35ECA93677BEEC"},
};

struct KeyPair {
    Bytes d, q;
};

KeyPair generate(ParamSet2012 set) {
    KeyPair pair{Bytes(keySize(set)), Bytes(2 * keySize(set))};
    EXPECT_TRUE(generateKeyPair2012(set, pair.d.data(), pair.q.data()));
    return pair;
}

Bytes orderOf(ParamSet2012 set) {
    return littleEndian(parametersOf(set).q, keySize(set));
}

} // namespace

TEST(Gost2012, StandardSignatureExamples) {
    for (const SignatureExample& x : kExamples) {
        const std::size_t size = keySize(x.set);
        const Bytes d = littleEndian(x.d, size), e = littleEndian(x.e, size),
                    k = littleEndian(x.k, size);
        const Bytes q = concat(littleEndian(x.qx, size), littleEndian(x.qy, size));
        Bytes publicKey(2 * size), r(size), s(size);
        ASSERT_TRUE(publicKeyOf2012(x.set, d.data(), publicKey.data())) << size;
        EXPECT_EQ(publicKey, q) << size;
        ASSERT_TRUE(sign2012WithNonce(x.set, d.data(), e.data(), k.data(), r.data(), s.data()));
        EXPECT_EQ(r, littleEndian(x.r, size)) << size;
        EXPECT_EQ(s, littleEndian(x.s, size)) << size;
        EXPECT_TRUE(verify2012(x.set, q.data(), e.data(), r.data(), s.data())) << size;
    }
}

// RFC 7836, appendix A.2: both sides of VKO on the 512-bit paramSetA, with 256- and 512-bit
// results. Keys, UKM and results are the byte strings printed there.
TEST(Gost2012, Rfc7836KeyAgreementExample) {
    const ParamSet2012 set = ParamSet2012::A512;
    const Bytes ukm = bytesFromHex("1D80603C8544C727");
    const Bytes dA =
        bytesFromHex("C990ECD972FCE84EC4DB022778F50FCAC726F46708384B8D458304962D7147F8"
                     "C2DB41CEF22C90B102F2968404F9B9BE6D47C79692D81826B32B8DACA43CB667");
    const Bytes qA =
        bytesFromHex("AAB0EDA4ABFF21208D18799FB9A8556654BA783070EBA10CB9ABB253EC56DCF5"
                     "D3CCBA6192E464E6E5BCB6DEA137792F2431F6C897EB1B3C0CC14327B1ADC0A7"
                     "914613A3074E363AEDB204D38D3563971BD8758E878C9DB11403721B48002D38"
                     "461F92472D40EA92F9958C0FFA4C93756401B97F89FDBE0B5E46E4A4631CDB5A");
    const Bytes dB =
        bytesFromHex("48C859F7B6F11585887CC05EC6EF1390CFEA739B1A18C0D4662293EF63B79E3B"
                     "8014070B44918590B4B996ACFEA4EDFBBBCCCC8C06EDD8BF5BDA92A51392D0DB");
    const Bytes qB =
        bytesFromHex("192FE183B9713A077253C72C8735DE2EA42A3DBC66EA317838B65FA32523CD5E"
                     "FCA974EDA7C863F4954D1147F1F2B25C395FCE1C129175E876D132E94ED5A651"
                     "04883B414C9B592EC4DC84826F07D0B6D9006DDA176CE48C391E3F97D102E03B"
                     "B598BF132A228A45F7201ABA08FC524A2D77E43A362AB022AD4028F75BDE3B79");
    const Bytes kek256 =
        bytesFromHex("C9A9A77320E2CC559ED72DCE6F47E2192CCEA95FA648670582C054C0EF36C221");
    const Bytes kek512 =
        bytesFromHex("79F002A96940CE7BDE3259A52E015297ADAAD84597A0D205B50E3E1719F97BFA"
                     "7EE1D2661FA9979A5AA235B558A7E6D9F88F982DD63FC35A8EC0DD5E242D3BDF");
    Bytes q(128);
    ASSERT_TRUE(publicKeyOf2012(set, dA.data(), q.data()));
    EXPECT_EQ(q, qA);
    ASSERT_TRUE(publicKeyOf2012(set, dB.data(), q.data()));
    EXPECT_EQ(q, qB);
    for (const Bytes* expected : {&kek256, &kek512}) {
        Bytes ours(expected->size()), theirs(expected->size());
        ASSERT_TRUE(
            vko2012(set, dA.data(), qB.data(), ukm.data(), ukm.size(), ours.size(), ours.data()));
        ASSERT_TRUE(vko2012(set, dB.data(), qA.data(), ukm.data(), ukm.size(), theirs.size(),
                            theirs.data()));
        EXPECT_EQ(ours, *expected) << expected->size();
        EXPECT_EQ(theirs, *expected) << expected->size();
    }
}

TEST(Gost2012, EverySetSignsVerifiesAndAgrees) {
    for (ParamSet2012 set : kParamSets2012) {
        const std::size_t size = keySize(set);
        const KeyPair a = generate(set), b = generate(set);
        Bytes hash(size), r(size), s(size);
        for (std::size_t i = 0; i < size; ++i)
            hash[i] = std::uint8_t(i * 7 + 1);
        ASSERT_TRUE(sign2012(set, a.d.data(), hash.data(), r.data(), s.data()));
        EXPECT_TRUE(verify2012(set, a.q.data(), hash.data(), r.data(), s.data()));
        EXPECT_FALSE(verify2012(set, b.q.data(), hash.data(), r.data(), s.data()));
        hash[3] ^= 1;
        EXPECT_FALSE(verify2012(set, a.q.data(), hash.data(), r.data(), s.data()));
        const Bytes ukm = bytesFromHex("0102030405060708");
        Bytes kab(32), kba(32);
        ASSERT_TRUE(vko2012(set, a.d.data(), b.q.data(), ukm.data(), 8, 32, kab.data()));
        ASSERT_TRUE(vko2012(set, b.d.data(), a.q.data(), ukm.data(), 8, 32, kba.data()));
        EXPECT_EQ(kab, kba) << int(set);
    }
}

// A hash that is a multiple of q signs as the hash 1 does.
TEST(Gost2012, HashReducingToZeroIsTakenAsOne) {
    for (ParamSet2012 set : {ParamSet2012::A256, ParamSet2012::C512}) {
        const std::size_t size = keySize(set);
        const KeyPair a = generate(set);
        const Bytes q = orderOf(set);
        Bytes one(size), k(size, 0x11), r1(size), s1(size), r2(size), s2(size);
        one[0] = 1;
        ASSERT_TRUE(sign2012WithNonce(set, a.d.data(), q.data(), k.data(), r1.data(), s1.data()));
        ASSERT_TRUE(sign2012WithNonce(set, a.d.data(), one.data(), k.data(), r2.data(), s2.data()));
        EXPECT_EQ(r1, r2);
        EXPECT_EQ(s1, s2);
        EXPECT_TRUE(verify2012(set, a.q.data(), q.data(), r1.data(), s1.data()));
    }
}

// r and s outside [1, q-1] are refused, also when they are congruent to a valid one, and so
// is a public key off the curve.
TEST(Gost2012, VerificationRefusesOutOfRangeValuesAndForeignPoints) {
    const ParamSet2012 set = ParamSet2012::A256; // q below 2^255: r + q still fits
    const std::size_t size = keySize(set);
    const KeyPair a = generate(set);
    const Bytes hash(size, 0x5A);
    Bytes r(size), s(size);
    ASSERT_TRUE(sign2012(set, a.d.data(), hash.data(), r.data(), s.data()));
    ASSERT_TRUE(verify2012(set, a.q.data(), hash.data(), r.data(), s.data()));
    const Bytes q = orderOf(set), zero(size, 0);
    auto plusQ = [&](const Bytes& v) {
        Bytes sum(size);
        unsigned carry = 0;
        for (std::size_t i = 0; i < size; ++i) {
            carry += unsigned(v[i]) + q[i];
            sum[i] = std::uint8_t(carry);
            carry >>= 8;
        }
        return sum;
    };
    Bytes offCurve = a.q;
    offCurve[size] ^= 1;
    struct Case {
        const char* name;
        Bytes key, r, s;
    } cases[] = {
        {"r = 0", a.q, zero, s},
        {"s = 0", a.q, r, zero},
        {"r = q", a.q, q, s},
        {"s = q", a.q, r, q},
        {"r + q", a.q, plusQ(r), s},
        {"s + q", a.q, r, plusQ(s)},
        {"key off the curve", offCurve, r, s},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(verify2012(set, c.key.data(), hash.data(), c.r.data(), c.s.data())) << c.name;
}

// The points of order 2 and 4 of the cofactor-4 sets lie on the curve, and key agreement
// refuses them, as it refuses points off the curve, a zero UKM and a zero private key.
TEST(Gost2012, KeyAgreementRefusesSmallOrderAndForeignPoints) {
    struct SmallOrder {
        ParamSet2012 set;
        const char *x, *y;
    } points[] = {
        {ParamSet2012::A256, "100FE73F595FF158E974B44D478D9588744FE5C192AC47EA63075DCE7A14AAA",
         "0"},
        {ParamSet2012::A256, "7F7F80C60535007538B45A5D95C39353BC5D80D1F36A9DC0ACE7C5118C2F5977",
         "7E7E82520F9F015FAA1D0F18C14AB9FB35188275DA3FD94206B74F34A48E0ECD"},
        {ParamSet2012::C512,
         "9A628F975594ECEFD89BA28A2539FFB79C8AB238AEED0851FA5C1ABB02B80B44"
         "C6734501B83A011DD625CD0B5145091A6D9ACD4B1F5C5B1E21B2B249DDFD1271",
         "0"},
        {ParamSet2012::C512,
         "B2CEB8345535898813B22EBAED63002431BAA6E3A8897BD702D1F2A27EA3FA5D"
         "9CC65D7F23E2FF7114ED197A575D7B72C932995A7051D270EF26A6DB1101748F",
         "186C289CFFA09C983B168C30C829006C952FF4AAF99C73850875D7E77BEBEF18"
         "D653187D6BA8FE533EC74C6F061872585B97CC0F50F57752CD73F4913304621E"},
    };
    const Bytes ukm = bytesFromHex("0102030405060708"), zeroUkm(8, 0);
    for (const SmallOrder& point : points) {
        const std::size_t size = keySize(point.set);
        const Bytes peer = concat(littleEndian(point.x, size), littleEndian(point.y, size));
        ASSERT_TRUE(isOnCurve2012(point.set, peer.data()));
        const KeyPair a = generate(point.set);
        Bytes kek(32);
        EXPECT_FALSE(vko2012(point.set, a.d.data(), peer.data(), ukm.data(), 8, 32, kek.data()))
            << point.x;
    }
    const ParamSet2012 set = ParamSet2012::A256;
    const KeyPair a = generate(set), b = generate(set);
    Bytes offCurve = b.q, zero(32, 0), kek(32);
    offCurve[40] ^= 1;
    EXPECT_FALSE(vko2012(set, a.d.data(), offCurve.data(), ukm.data(), 8, 32, kek.data()));
    EXPECT_FALSE(vko2012(set, a.d.data(), b.q.data(), zeroUkm.data(), 8, 32, kek.data()));
    EXPECT_FALSE(vko2012(set, zero.data(), b.q.data(), ukm.data(), 8, 32, kek.data()));
}

TEST(Gost2012, ObjectIdentifiersNameTheirSets) {
    for (ParamSet2012 set : kParamSets2012) {
        std::size_t length = 0;
        const std::uint8_t* der = oidOf(set, length);
        ParamSet2012 found;
        ASSERT_TRUE(der && paramSet2012ByOid(der, length, found));
        EXPECT_EQ(found, set);
    }
    // The CryptoPro names of the same curves.
    const Bytes cryptoProB = bytesFromHex("06072A850302022302");
    ParamSet2012 found;
    ASSERT_TRUE(paramSet2012ByOid(cryptoProB.data(), cryptoProB.size(), found));
    EXPECT_EQ(found, ParamSet2012::C256);
    const Bytes unknown = bytesFromHex("06072A850302022309");
    EXPECT_FALSE(paramSet2012ByOid(unknown.data(), unknown.size(), found));
}

// The names 2001 keys carry (CryptoPro signature sets, never the key exchange ones) and the
// digest each key size signs with.
TEST(Gost2012, CryptoProAndDigestNames) {
    const struct {
        ParamSet2012 set;
        const char* cryptoPro; // empty: none
        const char* digest;
    } cases[] = {
        {ParamSet2012::Test256, "06072A850302022300", "06082A85030701010202"},
        {ParamSet2012::A256, "", "06082A85030701010202"},
        {ParamSet2012::B256, "06072A850302022301", "06082A85030701010202"},
        {ParamSet2012::C256, "06072A850302022302", "06082A85030701010202"},
        {ParamSet2012::D256, "06072A850302022303", "06082A85030701010202"},
        {ParamSet2012::A512, "", "06082A85030701010203"},
        {ParamSet2012::C512, "", "06082A85030701010203"},
    };
    for (const auto& c : cases) {
        std::size_t length = 0;
        const std::uint8_t* der = cryptoProOidOf(c.set, length);
        EXPECT_EQ(der ? Bytes(der, der + length) : Bytes(), bytesFromHex(c.cryptoPro))
            << int(c.set);
        der = digestOidOf(c.set, length);
        EXPECT_EQ(Bytes(der, der + length), bytesFromHex(c.digest)) << int(c.set);
    }
}
