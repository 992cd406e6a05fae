// The strict DER reader of adapter mode: the names of real certificates, and bytes that only
// look like one.

#include "CertificateFields.h"
#include "TestCertificate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using softtoken::readCertificateFields;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes element(unsigned char tag, const Bytes& content) {
    Bytes out{tag};
    const std::size_t n = content.size();
    if (n < 0x80) {
        out.push_back(static_cast<unsigned char>(n));
    } else {
        Bytes length;
        for (std::size_t rest = n; rest > 0; rest >>= 8)
            length.insert(length.begin(), static_cast<unsigned char>(rest & 0xFF));
        out.push_back(static_cast<unsigned char>(0x80 | length.size()));
        out.insert(out.end(), length.begin(), length.end());
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes joined(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A certificate's skeleton, field by field, for cases that change one of them.
struct Skeleton {
    Bytes version = element(0xA0, element(0x02, {0x02}));
    Bytes serialNumber = element(0x02, {0x2A});
    Bytes algorithm = element(0x30, element(0x06, {0x2A, 0x85, 0x03, 0x02, 0x02, 0x03}));
    Bytes issuer = element(0x30, element(0x31, element(0x30, {0x06, 0x03, 0x55, 0x04, 0x03})));
    Bytes validity = element(0x30, {});
    Bytes subject = element(0x30, {});
    Bytes publicKeyInfo = element(0x30, element(0x03, {0x00, 0x04}));
    Bytes tail = element(0xA3, element(0x30, {}));

    Bytes tbs() const {
        return element(0x30, joined({version, serialNumber, algorithm, issuer, validity, subject,
                                     publicKeyInfo, tail}));
    }
    Bytes der() const { return element(0x30, joined({tbs(), algorithm, element(0x03, {0x00})})); }
};

Bytes withHeader(const Bytes& header, const Bytes& certificate, std::size_t oldHeader) {
    Bytes out = header;
    out.insert(out.end(), certificate.begin() + oldHeader, certificate.end());
    return out;
}

} // namespace

TEST(CertificateFieldsTest, ReadsTheNamesAndSerialNumberOfRealCertificates) {
    for (const TestCertificate* c : {&certificateV3(), &certificateV1()}) {
        const auto fields = readCertificateFields(c->der.data(), c->der.size());
        ASSERT_TRUE(fields);
        EXPECT_EQ(fields->subject, c->subject);
        EXPECT_EQ(fields->issuer, c->issuer);
        EXPECT_EQ(fields->serialNumber, c->serialNumber);
    }
    const Skeleton skeleton;
    const Bytes der = skeleton.der();
    const auto fields = readCertificateFields(der.data(), der.size());
    ASSERT_TRUE(fields) << "the skeleton of the cases below is itself a certificate";
    EXPECT_EQ(fields->issuer, skeleton.issuer);
}

TEST(CertificateFieldsTest, RefusesWhatIsNotOneStrictlyEncodedCertificate) {
    const Bytes real = certificateV3().der; // 30 82 01 A9 ...
    auto changed = [](void (*change)(Skeleton&)) {
        Skeleton s;
        change(s);
        return s.der();
    };
    const struct {
        std::string name;
        Bytes bytes;
    } cases[] = {
        {"nothing", {}},
        {"a public key value, as a page keeps one under \"repair key\"", Bytes(64, 0x30)},
        {"cut short", Bytes(real.begin(), real.end() - 1)},
        {"a byte after the end", joined({real, {0x00}})},
        {"two certificates", joined({real, real})},
        {"indefinite length", joined({withHeader({0x30, 0x80}, real, 4), {0x00, 0x00}})},
        {"a length octet of zero in front", withHeader({0x30, 0x83, 0x00, 0x01, 0xA9}, real, 4)},
        {"a length beyond the bytes", withHeader({0x30, 0x84, 0x7F, 0xFF, 0xFF, 0xFF}, real, 4)},
        {"five length octets", withHeader({0x30, 0x85, 0x01, 0x00, 0x00, 0x01, 0xA9}, real, 4)},
        {"a short length in the long form", changed([](Skeleton& s) {
             s.serialNumber = {0x02, 0x81, 0x01, 0x2A};
         })},
        {"an empty serial number", changed([](Skeleton& s) {
             s.serialNumber = {0x02, 0x00};
         })},
        {"a serial number with a needless zero octet", changed([](Skeleton& s) {
             s.serialNumber = element(0x02, {0x00, 0x2A});
         })},
        {"a serial number with a needless sign octet", changed([](Skeleton& s) {
             s.serialNumber = element(0x02, {0xFF, 0x80});
         })},
        {"version 1 written out",
         changed([](Skeleton& s) { s.version = element(0xA0, element(0x02, {0x00})); })},
        {"a version that is not a number",
         changed([](Skeleton& s) { s.version = element(0xA0, element(0x04, {0x02})); })},
        {"no serial number", changed([](Skeleton& s) { s.serialNumber.clear(); })},
        {"no subject public key", changed([](Skeleton& s) { s.publicKeyInfo.clear(); })},
        {"an issuer that is not a SEQUENCE",
         changed([](Skeleton& s) { s.issuer = element(0x31, {}); })},
        {"a field after the extensions", changed([](Skeleton& s) {
             s.tail = joined({s.tail, element(0x30, {})});
         })},
        {"extensions before the unique identifier", changed([](Skeleton& s) {
             s.tail = joined({s.tail, element(0x81, {0x00})});
         })},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(readCertificateFields(c.bytes.data(), c.bytes.size())) << c.name;
    EXPECT_FALSE(readCertificateFields(nullptr, 10));
}
