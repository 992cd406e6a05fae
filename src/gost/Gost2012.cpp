#include "Gost2012.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#include "Montgomery.h"
#ifdef KV_CTIME_CHECK
#include <valgrind/memcheck.h>
#endif
#include "RandomBytes.h"
#include "SecureWipe.h"
#include "Streebog.h"

namespace gost {

namespace {

using mont::Limb;

// One home for the 2012 sets: their numbers (RFC 7836, RFC 4357 and the examples of
// GOST R 34.10-2012) and every object identifier that names them.
struct SetEntry {
    ParamSet2012 set;
    std::size_t size;
    ParamSet2012Text text;
};

const SetEntry kSets[] = {
    {ParamSet2012::Test256,
     32,
     {"8000000000000000000000000000000000000000000000000000000000000431", "7",
      "5FBFF498AA938CE739B8E022FBAFEF40563F6E6A3472FC2A514C0CE9DAE23B7E",
      "8000000000000000000000000000000150FE8A1892976154C59CFC193ACCF5B3", "2",
      "08E2A8A0E65147D4BD6316030E16D19C85C97F0A9CA267122B96ABBCEA7E8FC8", 1}},
    {ParamSet2012::A256,
     32,
     {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97",
      "C2173F1513981673AF4892C23035A27CE25E2013BF95AA33B22C656F277E7335",
      "295F9BAE7428ED9CCC20E7C359A9D41A22FCCD9108E17BF7BA9337A6F8AE9513",
      "400000000000000000000000000000000FD8CDDFC87B6635C115AF556C360C67",
      "91E38443A5E82C0D880923425712B2BB658B9196932E02C78B2582FE742DAA28",
      "32879423AB1A0375895786C4BB46E9565FDE0B5344766740AF268ADB32322E5C", 4}},
    {ParamSet2012::B256,
     32,
     {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD97",
      "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFD94", "A6",
      "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF6C611070995AD10045841B09B761B893", "1",
      "8D91E471E0989CDA27DF505A453F2B7635294F2DDF23E3B122ACC99C9E9F1E14", 1}},
    {ParamSet2012::C256,
     32,
     {"8000000000000000000000000000000000000000000000000000000000000C99",
      "8000000000000000000000000000000000000000000000000000000000000C96",
      "3E1AF419A269A5F866A7D3C25C3DF80AE979259373FF2B182F49D4CE7E1BBC8B",
      "800000000000000000000000000000015F700CFFF1A624E5E497161BCC8A198F", "1",
      "3FA8124359F96680B83D1C3EB2C070E5C545C9858D03ECFB744BF8D717717EFC", 1}},
    {ParamSet2012::D256,
     32,
     {"9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D759B",
      "9B9F605F5A858107AB1EC85E6B41C8AACF846E86789051D37998F7B9022D7598", "805A",
      "9B9F605F5A858107AB1EC85E6B41C8AA582CA3511EDDFB74F02F3A6598980BB9", "0",
      "41ECE55743711A8C3CBF3783CD08C0EE4D4DC440D4641A8F366E550DFDB3BB67", 1}},
    {ParamSet2012::Test512,
     64,
     {"4531ACD1FE0023C7550D267B6B2FEE80922B14B2FFB90F04D4EB7C09B5D2D15D"
      "F1D852741AF4704A0458047E80E4546D35B8336FAC224DD81664BBF528BE6373",
      "7",
      "1CFF0806A31116DA29D8CFA54E57EB748BC5F377E49400FDD788B649ECA1AC43"
      "61834013B2AD7322480A89CA58E0CF74BC9E540C2ADD6897FAD0A3084F302ADC",
      "4531ACD1FE0023C7550D267B6B2FEE80922B14B2FFB90F04D4EB7C09B5D2D15D"
      "A82F2D7ECB1DBAC719905C5EECC423F1D86E25EDBE23C595D644AAF187E6E6DF",
      "24D19CC64572EE30F396BF6EBBFD7A6C5213B3B3D7057CC825F91093A68CD762"
      "FD60611262CD838DC6B60AA7EEE804E28BC849977FAC33B4B530F1B120248A9A",
      "2BB312A43BD2CE6E0D020613C857ACDDCFBF061E91E5F2C3F32447C259F39B2C"
      "83AB156D77F1496BF7EB3351E1EE4E43DC1A18B91B24640B6DBB92CB1ADD371E",
      1}},
    {ParamSet2012::A512,
     64,
     {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
      "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDC7",
      "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
      "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDC4",
      "E8C2505DEDFC86DDC1BD0B2B6667F1DA34B82574761CB0E879BD081CFD0B6265"
      "EE3CB090F30D27614CB4574010DA90DD862EF9D4EBEE4761503190785A71C760",
      "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
      "27E69532F48D89116FF22B8D4E0560609B4B38ABFAD2B85DCACDB1411F10B275",
      "3",
      "7503CFE87A836AE3A61B8816E25450E6CE5E1C93ACF1ABC1778064FDCBEFA921"
      "DF1626BE4FD036E93D75E6A50E3A41E98028FE5FC235F5B889A589CB5215F2A4",
      1}},
    {ParamSet2012::B512,
     64,
     {"8000000000000000000000000000000000000000000000000000000000000000"
      "000000000000000000000000000000000000000000000000000000000000006F",
      "8000000000000000000000000000000000000000000000000000000000000000"
      "000000000000000000000000000000000000000000000000000000000000006C",
      "687D1B459DC841457E3E06CF6F5E2517B97C7D614AF138BCBF85DC806C4B289F"
      "3E965D2DB1416D217F8B276FAD1AB69C50F78BEE1FA3106EFB8CCBC7C5140116",
      "8000000000000000000000000000000000000000000000000000000000000001"
      "49A1EC142565A545ACFDB77BD9D40CFA8B996712101BEA0EC6346C54374F25BD",
      "2",
      "1A8F7EDA389B094C2C071E3647A8940F3C123B697578C213BE6DD9E6C8EC7335"
      "DCB228FD1EDF4A39152CBCAAF8C0398828041055F94CEEEC7E21340780FE41BD",
      1}},
    {ParamSet2012::C512,
     64,
     {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
      "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFDC7",
      "DC9203E514A721875485A529D2C722FB187BC8980EB866644DE41C68E1430645"
      "46E861C0E2C9EDD92ADE71F46FCF50FF2AD97F951FDA9F2A2EB6546F39689BD3",
      "B4C4EE28CEBC6C2C8AC12952CF37F16AC7EFB6A9F69F4B57FFDA2E4F0DE5ADE0"
      "38CBC2FFF719D2C18DE0284B8BFEF3B52B8CC7A5F5BF0A3C8D2319A5312557E1",
      "3FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
      "C98CDBA46506AB004C33A9FF5147502CC8EDA9E7A769A12694623CEF47F023ED",
      "E2E31EDFC23DE7BDEBE241CE593EF5DE2295B7A9CBAEF021D385F7074CEA043A"
      "A27272A7AE602BF2A7B9033DB9ED3610C6FB85487EAE97AAC5BC7928C1950148",
      "F5CE40D95B5EB899ABBCCFF5911CB8577939804D6527378B8C108C3D2090FF9B"
      "E18E2D33E3021ED2EF32D85822423B6304F726AA854BAE07D0396E9A9ADDC40F",
      4}},
};

struct OidName {
    std::uint8_t der[11];
    std::uint8_t length;
    ParamSet2012 set;
};

// The first name of each set is its own; the CryptoPro names (signature and key exchange)
// follow. DER with tag and length.
const OidName kOids[] = {
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x00}, 9, ParamSet2012::Test256},
    {{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x01, 0x01}, 11, ParamSet2012::A256},
    {{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x01, 0x02}, 11, ParamSet2012::B256},
    {{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x01, 0x03}, 11, ParamSet2012::C256},
    {{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x01, 0x04}, 11, ParamSet2012::D256},
    {{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x02, 0x00}, 11, ParamSet2012::Test512},
    {{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x02, 0x01}, 11, ParamSet2012::A512},
    {{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x02, 0x02}, 11, ParamSet2012::B512},
    {{0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x02, 0x03}, 11, ParamSet2012::C512},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x01}, 9, ParamSet2012::B256},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x24, 0x00}, 9, ParamSet2012::B256},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x02}, 9, ParamSet2012::C256},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x03}, 9, ParamSet2012::D256},
    {{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x24, 0x01}, 9, ParamSet2012::D256},
};

// Streebog-256 and Streebog-512, the digests of 256- and 512-bit keys.
const std::uint8_t kDigestOids[2][10] = {
    {0x06, 0x08, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x01, 0x02, 0x02},
    {0x06, 0x08, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x01, 0x02, 0x03}};

constexpr std::size_t kSetCount = sizeof kSets / sizeof kSets[0];

// Marks a value derived from secrets as fit to branch on: a validity verdict or a result that
// leaves anyway. The constant-time check (Valgrind's memcheck with the secrets marked
// undefined) reports every branch and memory index on a secret that has not passed here.
template <typename T> T declassify(T value) {
#ifdef KV_CTIME_CHECK
    VALGRIND_MAKE_MEM_DEFINED(&value, sizeof value);
#endif
    return value;
}

// Wipes every argument, arrays and objects alike.
template <typename... T> void wipe(T&... values) {
    (secureWipe(&values, sizeof values), ...);
}

const SetEntry& entryOf(ParamSet2012 set) {
    return kSets[std::size_t(set)];
}

// A number printed most significant digit first, as size bytes least significant first.
void bytesFromText(std::uint8_t* out, std::size_t size, const char* hex) {
    std::memset(out, 0, size);
    const std::size_t digits = std::strlen(hex);
    for (std::size_t i = 0; i < digits && i < 2 * size; ++i) {
        const char c = hex[digits - 1 - i];
        const unsigned v = c <= '9' ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
        out[i / 2] |= std::uint8_t(v << (4 * (i % 2)));
    }
}

// The curve y² = x³ + a·x + b with its base point of prime order q, its field (mod p) and
// scalar (mod q) layers, and the fixed-base table of the base point.
template <std::size_t N> class Curve {
public:
    using Field = mont::Modulus<N>;
    using Fe = mont::Element<N>;
    static constexpr std::size_t kBytes = N * mont::kLimbBytes;
    // 4-bit windows of a scalar.
    static constexpr std::size_t kWindows = N * mont::kLimbBits / 4;
    // Signed 5-bit digits of a scalar, one more bit for the last carry.
    static constexpr std::size_t kBaseWindows = (N * mont::kLimbBits + 1 + 4) / 5;

    struct Point {
        Fe x, y, z; // homogeneous projective: (X/Z, Y/Z); Z = 0 the infinity
    };
    struct Affine {
        Fe x, y;
    };

    explicit Curve(const SetEntry& entry) : cofactor_(entry.text.cofactor) {
        std::uint8_t bytes[kBytes];
        bytesFromText(bytes, kBytes, entry.text.p);
        p_.load(bytes);
        bytesFromText(bytes, kBytes, entry.text.q);
        q_.load(bytes);
        loadField(a_, entry.text.a);
        loadField(b_, entry.text.b);
        p_.add(b3_, b_, b_);
        p_.add(b3_, b3_, b_);
        Point g;
        loadField(g.x, entry.text.x);
        loadField(g.y, entry.text.y);
        g.z = p_.one();
        buildTable(g);
    }

    const Field& field() const { return p_; }
    const Field& scalars() const { return q_; }
    unsigned cofactor() const { return cofactor_; }

    Point infinity() const {
        Point o{};
        o.y = p_.one();
        return o;
    }

    // r = s + t by the complete formulas of Renes, Costello and Batina (2016, algorithm 1):
    // right for every pair of points of the subgroup of odd order, the infinity and doubling
    // included, without a branch.
    void add(Point& r, const Point& s, const Point& t) const {
        Fe t0, t1, t2, t3, t4, t5, x3, y3, z3;
        p_.mul(t0, s.x, t.x);
        p_.mul(t1, s.y, t.y);
        p_.mul(t2, s.z, t.z);
        p_.add(t3, s.x, s.y);
        p_.add(t4, t.x, t.y);
        p_.mul(t3, t3, t4);
        p_.add(t4, t0, t1);
        p_.sub(t3, t3, t4);
        p_.add(t4, s.x, s.z);
        p_.add(t5, t.x, t.z);
        p_.mul(t4, t4, t5);
        p_.add(t5, t0, t2);
        p_.sub(t4, t4, t5);
        p_.add(t5, s.y, s.z);
        p_.add(x3, t.y, t.z);
        p_.mul(t5, t5, x3);
        p_.add(x3, t1, t2);
        p_.sub(t5, t5, x3);
        p_.mul(z3, a_, t4);
        p_.mul(x3, b3_, t2);
        p_.add(z3, x3, z3);
        p_.sub(x3, t1, z3);
        p_.add(z3, t1, z3);
        p_.mul(y3, x3, z3);
        p_.add(t1, t0, t0);
        p_.add(t1, t1, t0);
        p_.mul(t2, a_, t2);
        p_.mul(t4, b3_, t4);
        p_.add(t1, t1, t2);
        p_.sub(t2, t0, t2);
        p_.mul(t2, a_, t2);
        p_.add(t4, t4, t2);
        p_.mul(t0, t1, t4);
        p_.add(y3, y3, t0);
        p_.mul(t0, t5, t4);
        p_.mul(x3, t3, x3);
        p_.sub(x3, x3, t0);
        p_.mul(t0, t3, t1);
        p_.mul(z3, t5, z3);
        p_.add(z3, z3, t0);
        r.x = x3;
        r.y = y3;
        r.z = z3;
    }

    // r = 2·s by the complete doubling of the same paper (algorithm 3).
    void twice(Point& r, const Point& s) const {
        Fe t0, t1, t2, t3, x3, y3, z3;
        p_.sqr(t0, s.x);
        p_.sqr(t1, s.y);
        p_.sqr(t2, s.z);
        p_.mul(t3, s.x, s.y);
        p_.add(t3, t3, t3);
        p_.mul(z3, s.x, s.z);
        p_.add(z3, z3, z3);
        p_.mul(x3, a_, z3);
        p_.mul(y3, b3_, t2);
        p_.add(y3, x3, y3);
        p_.sub(x3, t1, y3);
        p_.add(y3, t1, y3);
        p_.mul(y3, x3, y3);
        p_.mul(x3, t3, x3);
        p_.mul(z3, b3_, z3);
        p_.mul(t2, a_, t2);
        p_.sub(t3, t0, t2);
        p_.mul(t3, a_, t3);
        p_.add(t3, t3, z3);
        p_.add(z3, t0, t0);
        p_.add(t0, z3, t0);
        p_.add(t0, t0, t2);
        p_.mul(t0, t0, t3);
        p_.add(y3, y3, t0);
        p_.mul(t2, s.y, s.z);
        p_.add(t2, t2, t2);
        p_.mul(t0, t2, t3);
        p_.sub(x3, x3, t0);
        p_.mul(z3, t2, t1);
        p_.add(z3, z3, z3);
        p_.add(z3, z3, z3);
        r.x = x3;
        r.y = y3;
        r.z = z3;
    }

    // r = k·G for the base point G and k below 2^(N·w): one addition per signed 5-bit digit
    // (-15..16) from the table, the whole row read for each digit and the negation chosen by
    // mask, the same work for every k.
    void multiplyBase(Point& r, const Limb* k) const {
        Point acc = infinity();
        Limb carry = 0;
        for (std::size_t w = 0; w < kBaseWindows; ++w) {
            // v in 0..32; above 16 it becomes v - 32 and carries into the next digit.
            const Limb v = baseWindow(k, w) + carry;
            carry = (v + 15) >> 5;
            const Limb negative = Limb(0) - carry;
            const Limb magnitude = (v & ~negative) | ((32 - v) & negative);
            Point chosen{};
            for (Limb j = 1; j <= 16; ++j) {
                const Limb mask = mont::zeroMask(magnitude ^ j);
                Field::select(chosen.x, table_[16 * w + j - 1].x, mask);
                Field::select(chosen.y, table_[16 * w + j - 1].y, mask);
            }
            Fe minusY;
            p_.neg(minusY, chosen.y);
            Field::select(chosen.y, minusY, negative);
            // Digit 0 adds the infinity (0 : 1 : 0).
            const Limb zero = mont::zeroMask(magnitude);
            Field::select(chosen.y, p_.one(), zero);
            Field::select(chosen.z, p_.one(), ~zero);
            add(acc, acc, chosen);
        }
        r = acc;
    }

    // r = k·P by fixed 4-bit windows from the top: four doublings and one addition of a
    // multiple read by a scan of all sixteen, for every window and every k.
    void multiply(Point& r, const Point& p, const Limb* k) const {
        Point multiples[16];
        multiples[0] = infinity();
        multiples[1] = p;
        for (unsigned j = 2; j < 16; ++j)
            add(multiples[j], multiples[j - 1], p);
        Point acc = infinity();
        for (std::size_t w = kWindows; w-- > 0;) {
            for (unsigned i = 0; i < 4; ++i)
                twice(acc, acc);
            const Limb digit = window(k, w);
            Point chosen = multiples[0];
            for (Limb j = 1; j < 16; ++j) {
                const Limb mask = mont::zeroMask(digit ^ j);
                Field::select(chosen.x, multiples[j].x, mask);
                Field::select(chosen.y, multiples[j].y, mask);
                Field::select(chosen.z, multiples[j].z, mask);
            }
            add(acc, acc, chosen);
        }
        r = acc;
        secureWipe(multiples, sizeof multiples);
    }

    // The affine coordinates, plain (not in Montgomery form); all ones when p is the infinity.
    Limb toAffine(Limb* x, Limb* y, const Point& p) const {
        Fe inverse, ax, ay;
        p_.inverse(inverse, p.z);
        p_.mul(ax, p.x, inverse);
        p_.mul(ay, p.y, inverse);
        p_.fromMont(x, ax);
        p_.fromMont(y, ay);
        return Field::isZeroMask(p.z);
    }

    // The point (x, y) from its bytes, in projective form; false when a coordinate is not
    // below p or the point is not on the curve.
    bool loadPoint(Point& point, const std::uint8_t* bytes) const {
        Limb x[N], y[N];
        mont::loadLittleEndian<N>(x, bytes);
        mont::loadLittleEndian<N>(y, bytes + kBytes);
        if (!p_.isReduced(x) || !p_.isReduced(y))
            return false;
        p_.toMont(point.x, x);
        p_.toMont(point.y, y);
        point.z = p_.one();
        return onCurve(point.x, point.y);
    }

    // y² = x³ + a·x + b, Montgomery-form coordinates.
    bool onCurve(const Fe& x, const Fe& y) const {
        Fe lhs, rhs;
        p_.sqr(lhs, y);
        p_.sqr(rhs, x);
        p_.add(rhs, rhs, a_);
        p_.mul(rhs, rhs, x);
        p_.add(rhs, rhs, b_);
        return Field::equalMask(lhs, rhs) != 0;
    }

private:
    // Bits 5w to 5w + 4 of k (zero above N·w bits); w is public.
    static Limb baseWindow(const Limb* k, std::size_t w) {
        const std::size_t bit = 5 * w, limb = bit / mont::kLimbBits, shift = bit % mont::kLimbBits;
        if (limb >= N)
            return 0;
        Limb bits = k[limb] >> shift;
        if (shift > mont::kLimbBits - 5 && limb + 1 < N)
            bits |= k[limb + 1] << (mont::kLimbBits - shift);
        return bits & 31;
    }

    static Limb window(const Limb* k, std::size_t w) {
        const std::size_t bit = 4 * w;
        return (k[bit / mont::kLimbBits] >> (bit % mont::kLimbBits)) & 15;
    }

    void loadField(Fe& r, const char* hex) const {
        std::uint8_t bytes[kBytes];
        bytesFromText(bytes, kBytes, hex);
        Limb plain[N];
        mont::loadLittleEndian<N>(plain, bytes);
        p_.toMont(r, plain);
    }

    // table_[16·w + j - 1] = j·32^w·G (j = 1..16) in affine form, made projective first and
    // brought to Z = 1 by one shared inversion (Montgomery's trick).
    void buildTable(const Point& g) {
        std::vector<Point> points(16 * kBaseWindows);
        Point base = g;
        for (std::size_t w = 0; w < kBaseWindows; ++w) {
            points[16 * w] = base;
            for (unsigned j = 1; j < 16; ++j)
                add(points[16 * w + j], points[16 * w + j - 1], base);
            for (unsigned i = 0; i < 5; ++i)
                twice(base, base);
        }
        // Prefix products of the Z of every entry.
        std::vector<Fe> prefix(points.size());
        Fe running = p_.one();
        for (std::size_t i = 0; i < points.size(); ++i) {
            prefix[i] = running;
            p_.mul(running, running, points[i].z);
        }
        Fe inverse;
        p_.inverse(inverse, running);
        table_.assign(points.size(), Affine{});
        for (std::size_t i = points.size(); i-- > 0;) {
            Fe zInverse;
            p_.mul(zInverse, inverse, prefix[i]);
            p_.mul(inverse, inverse, points[i].z);
            p_.mul(table_[i].x, points[i].x, zInverse);
            p_.mul(table_[i].y, points[i].y, zInverse);
        }
    }

    Field p_, q_;
    Fe a_, b_, b3_; // b3_ = 3·b, as the addition formulas take it
    unsigned cofactor_;
    std::vector<Affine> table_;
};

constexpr std::size_t kLimbs256 = mont::kLimbs<256>;
constexpr std::size_t kLimbs512 = mont::kLimbs<512>;

// Each set's curve, built on first use (its table takes a few milliseconds).
template <std::size_t N> const Curve<N>& curveOf(ParamSet2012 set) {
    static std::once_flag once[kSetCount];
    static std::unique_ptr<Curve<N>> curves[kSetCount];
    const std::size_t i = std::size_t(set);
    std::call_once(once[i], [&] { curves[i] = std::make_unique<Curve<N>>(kSets[i]); });
    return *curves[i];
}

// Whether 0 < d < q.
template <std::size_t N> bool inScalarRange(const Curve<N>& curve, const Limb* d) {
    Limb any = 0;
    for (std::size_t i = 0; i < N; ++i)
        any |= d[i];
    const Limb below = mont::lessMask<N>(d, curve.scalars().modulus());
    return declassify(~mont::zeroMask(any) & below) != 0;
}

template <std::size_t N>
bool publicKeyOf(const Curve<N>& curve, const std::uint8_t* privateKey, std::uint8_t* out) {
    Limb d[N], x[N], y[N];
    mont::loadLittleEndian<N>(d, privateKey);
    const bool valid = inScalarRange(curve, d);
    typename Curve<N>::Point point;
    curve.multiplyBase(point, d);
    curve.toAffine(x, y, point);
    mont::storeLittleEndian<N>(out, x);
    mont::storeLittleEndian<N>(out + Curve<N>::kBytes, y);
    wipe(d, point);
    return valid;
}

// e = hash mod q in Montgomery form, 1 when that is 0.
template <std::size_t N>
void hashScalar(const Curve<N>& curve, typename Curve<N>::Fe& e, const std::uint8_t* hash) {
    Limb h[N];
    mont::loadLittleEndian<N>(h, hash);
    curve.scalars().toMont(e, h);
    Curve<N>::Field::select(e, curve.scalars().one(), Curve<N>::Field::isZeroMask(e));
}

template <std::size_t N>
bool signWithNonce(const Curve<N>& curve, const std::uint8_t* privateKey, const std::uint8_t* hash,
                   const Limb* k, std::uint8_t* rOut, std::uint8_t* sOut) {
    using Fe = typename Curve<N>::Fe;
    const auto& scalars = curve.scalars();
    Limb d[N], x[N], y[N], r[N], s[N];
    mont::loadLittleEndian<N>(d, privateKey);
    if (!inScalarRange(curve, d) || !inScalarRange(curve, k)) {
        secureWipe(d, sizeof d);
        return false;
    }
    // C = k·G; r = x_C mod q.
    typename Curve<N>::Point c;
    curve.multiplyBase(c, k);
    curve.toAffine(x, y, c);
    Fe rM, dM, kM, eM, sM, t;
    scalars.toMont(rM, x);
    scalars.fromMont(r, rM);
    // s = r·d + k·e mod q.
    scalars.toMont(dM, d);
    scalars.toMont(kM, k);
    hashScalar(curve, eM, hash);
    scalars.mul(sM, rM, dM);
    scalars.mul(t, kM, eM);
    scalars.add(sM, sM, t);
    scalars.fromMont(s, sM);
    const bool ok = declassify(~scalars.isZeroMask(rM) & ~scalars.isZeroMask(sM)) != 0;
    mont::storeLittleEndian<N>(rOut, r);
    mont::storeLittleEndian<N>(sOut, s);
    wipe(d, x, y, c, dM, kM, t);
    return ok;
}

// Enough draws that a working generator practically never runs out: a draw is refused with
// probability below three quarters on every set.
constexpr unsigned kDrawAttempts = 128;

// A uniform scalar in [1, q-1] by rejection: random bytes cut to q's bit length.
template <std::size_t N> bool randomScalar(const Curve<N>& curve, Limb* k) {
    const Limb* q = curve.scalars().modulus();
    std::size_t top = N;
    while (top > 0 && q[top - 1] == 0)
        --top;
    Limb topMask = q[top - 1];
    for (unsigned shift = 1; shift < mont::kLimbBits; shift <<= 1)
        topMask |= topMask >> shift;
    std::uint8_t bytes[Curve<N>::kBytes];
    for (unsigned attempt = 0; attempt < kDrawAttempts; ++attempt) {
        for (std::size_t at = 0; at < sizeof bytes; at += 32)
            if (!randomBytes(bytes + at)) {
                secureWipe(bytes, sizeof bytes);
                return false;
            }
        mont::loadLittleEndian<N>(k, bytes);
        k[top - 1] &= topMask;
        for (std::size_t i = top; i < N; ++i)
            k[i] = 0;
        if (inScalarRange(curve, k)) {
            secureWipe(bytes, sizeof bytes);
            return true;
        }
    }
    secureWipe(bytes, sizeof bytes);
    return false;
}

template <std::size_t N>
bool sign(const Curve<N>& curve, const std::uint8_t* privateKey, const std::uint8_t* hash,
          std::uint8_t* r, std::uint8_t* s) {
    Limb k[N];
    // r = 0 or s = 0 asks for another nonce; both are practically impossible.
    for (unsigned attempt = 0; attempt < kDrawAttempts; ++attempt) {
        if (!randomScalar(curve, k))
            return false;
        const bool signed_ = signWithNonce(curve, privateKey, hash, k, r, s);
        secureWipe(k, sizeof k);
        if (signed_)
            return true;
        Limb d[N];
        mont::loadLittleEndian<N>(d, privateKey);
        const bool keyValid = inScalarRange(curve, d);
        secureWipe(d, sizeof d);
        if (!keyValid)
            return false;
    }
    return false;
}

template <std::size_t N>
bool verify(const Curve<N>& curve, const std::uint8_t* publicKey, const std::uint8_t* hash,
            const std::uint8_t* rBytes, const std::uint8_t* sBytes) {
    using Fe = typename Curve<N>::Fe;
    const auto& scalars = curve.scalars();
    Limb r[N], s[N];
    mont::loadLittleEndian<N>(r, rBytes);
    mont::loadLittleEndian<N>(s, sBytes);
    if (!inScalarRange(curve, r) || !inScalarRange(curve, s))
        return false;
    typename Curve<N>::Point q;
    if (!curve.loadPoint(q, publicKey))
        return false;
    // v = e⁻¹, z1 = s·v, z2 = -r·v; C = z1·G + z2·Q.
    Fe eM, v, rM, sM, z1M, z2M;
    hashScalar(curve, eM, hash);
    scalars.inverse(v, eM);
    scalars.toMont(rM, r);
    scalars.toMont(sM, s);
    scalars.mul(z1M, sM, v);
    scalars.mul(z2M, rM, v);
    scalars.neg(z2M, z2M);
    Limb z1[N], z2[N], x[N], y[N];
    scalars.fromMont(z1, z1M);
    scalars.fromMont(z2, z2M);
    typename Curve<N>::Point c1, c2;
    curve.multiplyBase(c1, z1);
    curve.multiply(c2, q, z2);
    curve.add(c1, c1, c2);
    if (curve.toAffine(x, y, c1))
        return false;
    Fe xM;
    scalars.toMont(xM, x);
    return Curve<N>::Field::equalMask(xM, rM) != 0;
}

template <std::size_t N>
bool vko(const Curve<N>& curve, const std::uint8_t* privateKey, const std::uint8_t* peer,
         const std::uint8_t* ukm, std::size_t ukmSize, std::size_t digestSize, std::uint8_t* kek) {
    using Fe = typename Curve<N>::Fe;
    constexpr std::size_t kBytes = Curve<N>::kBytes;
    const auto& scalars = curve.scalars();
    if (ukmSize > kBytes || (digestSize != 32 && digestSize != 64))
        return false;
    std::uint8_t ukmBytes[kBytes] = {};
    std::memcpy(ukmBytes, ukm, ukmSize);
    Limb u[N], d[N];
    mont::loadLittleEndian<N>(u, ukmBytes);
    typename Curve<N>::Point y;
    if (!curve.loadPoint(y, peer))
        return false;
    // Multiplying by the cofactor first leaves no small-order part for the secret scalar to
    // reveal; a point of small order becomes the infinity and is refused.
    for (unsigned c = curve.cofactor(); c > 1; c >>= 1)
        curve.twice(y, y);
    if (curve.field().isZeroMask(y.z))
        return false;
    mont::loadLittleEndian<N>(d, privateKey);
    if (!inScalarRange(curve, d)) {
        secureWipe(d, sizeof d);
        return false;
    }
    // t = UKM·d mod q.
    Fe uM, dM, tM;
    scalars.toMont(uM, u);
    scalars.toMont(dM, d);
    scalars.mul(tM, uM, dM);
    Limb t[N], x[N], yy[N];
    scalars.fromMont(t, tM);
    const bool ukmZero = scalars.isZeroMask(uM) != 0;
    typename Curve<N>::Point k;
    curve.multiply(k, y, t);
    const bool infinity = declassify(curve.toAffine(x, yy, k)) != 0;
    std::uint8_t shared[2 * kBytes];
    mont::storeLittleEndian<N>(shared, x);
    mont::storeLittleEndian<N>(shared + kBytes, yy);
    Streebog hash(digestSize);
    // Streebog looks its tables up by the bytes it hashes, as every implementation of it does:
    // the constant-time check ends at the shared point.
#ifdef KV_CTIME_CHECK
    VALGRIND_MAKE_MEM_DEFINED(shared, sizeof shared);
#endif
    hash.update(shared, sizeof shared);
    hash.finish(kek);
    wipe(d, t, x, yy, shared, dM, tM, k);
    return !ukmZero && !infinity;
}

// Runs f with the set's curve, whichever its size.
template <typename F> bool withCurve(ParamSet2012 set, F&& f) {
    if (std::size_t(set) >= kSetCount)
        return false;
    if (entryOf(set).size == 32)
        return f(curveOf<kLimbs256>(set));
    return f(curveOf<kLimbs512>(set));
}

} // namespace

std::size_t keySize(ParamSet2012 set) {
    return entryOf(set).size;
}

bool paramSet2012ByOid(const std::uint8_t* oidDer, std::size_t length, ParamSet2012& set) {
    for (const OidName& name : kOids)
        if (name.length == length && std::memcmp(name.der, oidDer, length) == 0) {
            set = name.set;
            return true;
        }
    return false;
}

const std::uint8_t* oidOf(ParamSet2012 set, std::size_t& length) {
    for (const OidName& name : kOids)
        if (name.set == set) {
            length = name.length;
            return name.der;
        }
    length = 0;
    return nullptr;
}

const std::uint8_t* cryptoProOidOf(ParamSet2012 set, std::size_t& length) {
    const std::uint8_t signatureArc = 35; // 1.2.643.2.2.35; key exchange is 36
    for (const OidName& name : kOids)
        if (name.set == set && name.length == 9 && name.der[7] == signatureArc) {
            length = name.length;
            return name.der;
        }
    length = 0;
    return nullptr;
}

const std::uint8_t* digestOidOf(ParamSet2012 set, std::size_t& length) {
    length = sizeof kDigestOids[0];
    return kDigestOids[keySize(set) == 32 ? 0 : 1];
}

const ParamSet2012Text& parametersOf(ParamSet2012 set) {
    return entryOf(set).text;
}

bool generateKeyPair2012(ParamSet2012 set, std::uint8_t* privateKey, std::uint8_t* publicKey) {
    return withCurve(set, [&](const auto& curve) {
        constexpr std::size_t n =
            std::remove_reference_t<decltype(curve)>::kBytes / mont::kLimbBytes;
        Limb d[n];
        if (!randomScalar(curve, d))
            return false;
        mont::storeLittleEndian<n>(privateKey, d);
        secureWipe(d, sizeof d);
        return publicKeyOf(curve, privateKey, publicKey);
    });
}

bool publicKeyOf2012(ParamSet2012 set, const std::uint8_t* privateKey, std::uint8_t* publicKey) {
    return withCurve(set,
                     [&](const auto& curve) { return publicKeyOf(curve, privateKey, publicKey); });
}

bool sign2012(ParamSet2012 set, const std::uint8_t* privateKey, const std::uint8_t* hash,
              std::uint8_t* r, std::uint8_t* s) {
    return withCurve(set, [&](const auto& curve) { return sign(curve, privateKey, hash, r, s); });
}

bool sign2012WithNonce(ParamSet2012 set, const std::uint8_t* privateKey, const std::uint8_t* hash,
                       const std::uint8_t* k, std::uint8_t* r, std::uint8_t* s) {
    return withCurve(set, [&](const auto& curve) {
        constexpr std::size_t n =
            std::remove_reference_t<decltype(curve)>::kBytes / mont::kLimbBytes;
        Limb nonce[n];
        mont::loadLittleEndian<n>(nonce, k);
        const bool ok = signWithNonce(curve, privateKey, hash, nonce, r, s);
        secureWipe(nonce, sizeof nonce);
        return ok;
    });
}

bool verify2012(ParamSet2012 set, const std::uint8_t* publicKey, const std::uint8_t* hash,
                const std::uint8_t* r, const std::uint8_t* s) {
    return withCurve(set, [&](const auto& curve) { return verify(curve, publicKey, hash, r, s); });
}

bool isOnCurve2012(ParamSet2012 set, const std::uint8_t* publicKey) {
    return withCurve(set, [&](const auto& curve) {
        typename std::remove_reference_t<decltype(curve)>::Point point;
        return curve.loadPoint(point, publicKey);
    });
}

bool vko2012(ParamSet2012 set, const std::uint8_t* privateKey, const std::uint8_t* peer,
             const std::uint8_t* ukm, std::size_t ukmSize, std::size_t digestSize,
             std::uint8_t* kek) {
    return withCurve(set, [&](const auto& curve) {
        return vko(curve, privateKey, peer, ukm, ukmSize, digestSize, kek);
    });
}

} // namespace gost
