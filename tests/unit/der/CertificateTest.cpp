// The certificate view over real certificates, and the certificates it refuses.
#include "Certificate.h"
#include "ErrorPrinting.h"
#include "HexText.h"
#include "OidTable.h"
#include "TestCertificate.h"

#include <gtest/gtest.h>

using namespace der;

namespace {

// The certificate with one element of its TBS part replaced, the lengths around it mended.
Bytes rebuiltWith(const Bytes& der, const Bytes& oldElement, const Bytes& newElement) {
    CertificateParts parts;
    EXPECT_EQ(splitCertificate(der.data(), der.size(), parts), Error::None);
    Reader tbsReader = parts.tbs, tbsFields;
    tbsReader.read(kSequence, tbsFields);
    Builder b;
    b.add(kSequence, [&] {
        b.add(kSequence, [&] {
            while (!tbsFields.empty()) {
                Tag tag = 0;
                Reader contents, whole;
                tbsFields.readAny(tag, contents, &whole);
                b.addEncoded(whole.bytes() == oldElement ? newElement : whole.bytes());
            }
        });
        b.addEncoded(parts.signatureAlgorithm.bytes());
        b.addEncoded(parts.signature.bytes());
    });
    Bytes out;
    EXPECT_EQ(b.finish(out), Error::None);
    return out;
}

Bytes built(void (*build)(Builder&)) {
    Builder b;
    build(b);
    Bytes out;
    EXPECT_EQ(b.finish(out), Error::None);
    return out;
}

// The last element of the TBS part: the extensions of a version 3 certificate.
Bytes lastTbsElement(const Bytes& der) {
    CertificateParts parts;
    EXPECT_EQ(splitCertificate(der.data(), der.size(), parts), Error::None);
    Reader tbs = parts.tbs, fields, whole;
    tbs.read(kSequence, fields);
    while (!fields.empty()) {
        Tag tag = 0;
        Reader contents;
        fields.readAny(tag, contents, &whole);
    }
    return whole.bytes();
}

// Extensions of the key usage extension given, and of basic constraints.
Bytes extensionsWith(const Bytes& keyUsage, const Bytes& basicConstraints) {
    Builder b;
    b.add(contextTag(3, true), [&] {
        b.add(kSequence, [&] {
            b.addEncoded(keyUsage);
            b.addEncoded(basicConstraints);
        });
    });
    Bytes out;
    EXPECT_EQ(b.finish(out), Error::None);
    return out;
}

Bytes extension(const char* oid, bool writeCritical, bool critical, const Bytes& value) {
    Builder b;
    b.add(kSequence, [&] {
        b.addOid(oid);
        if (writeCritical)
            b.addBoolean(critical);
        b.addOctetString(value);
    });
    Bytes out;
    EXPECT_EQ(b.finish(out), Error::None);
    return out;
}

Bytes text(const char* characters) {
    return Bytes(characters, characters + std::char_traits<char>::length(characters));
}

} // namespace

TEST(DerCertificateTest, ReadsTheFieldsOfRealCertificates) {
    const TestCertificate& v3 = certificateV3();
    Certificate c;
    ASSERT_EQ(parseCertificate(v3.der.data(), v3.der.size(), c), Error::None);
    EXPECT_EQ(c.version, 3);
    EXPECT_EQ(hexText(v3.serialNumber).substr(6), c.serialHex) << "the sign octet dropped";
    EXPECT_FALSE(c.subject.rdns.empty());
    EXPECT_NE(nameToText(c.subject), nameToText(c.issuer));
    EXPECT_EQ(c.notBefore.size(), 20u);
    EXPECT_LT(c.notBefore, c.notAfter);
    EXPECT_FALSE(c.signature.empty());
    EXPECT_EQ(c.tbs.front(), 0x30);

    const TestCertificate& v1 = certificateV1();
    ASSERT_EQ(parseCertificate(v1.der.data(), v1.der.size(), c), Error::None);
    EXPECT_EQ(c.version, 1);
    EXPECT_TRUE(c.extensions.empty());
    EXPECT_FALSE(c.hasKeyUsage);
}

TEST(DerCertificateTest, RefusesWhatIsNotAStrictCertificate) {
    const Bytes& der = certificateV3().der;
    CertificateParts parts;
    ASSERT_EQ(splitCertificate(der.data(), der.size(), parts), Error::None);
    const Bytes validity = parts.validity.bytes();
    const Bytes subject = parts.subject.bytes();
    const Bytes spki = parts.subjectPublicKeyInfo.bytes();

    const Bytes extensions = lastTbsElement(der);
    ASSERT_EQ(extensions[0], 0xA3);
    const Bytes keyUsage = extension(oid::kKeyUsage, true, true, {0x03, 0x02, 0x07, 0x80});
    const Bytes constraints = extension(oid::kBasicConstraints, false, false, {0x30, 0x00});

    Bytes trailing = der;
    trailing.push_back(0);
    const struct {
        const char* name;
        Bytes bytes;
        Error error;
    } cases[] = {
        {"text", Bytes{'h', 'e', 'l', 'l', 'o'}, Error::Truncated},
        {"cut short", Bytes(der.begin(), der.end() - 1), Error::Truncated},
        {"a byte after it", trailing, Error::TrailingBytes},
        {"a validity of GeneralizedTime with a fraction",
         rebuiltWith(der, validity, built([](Builder& b) {
                         b.add(kSequence, [&] {
                             b.addPrimitive(kGeneralizedTime, text("20260101000000.5Z"));
                             b.addPrimitive(kGeneralizedTime, text("20270101000000Z"));
                         });
                     })),
         Error::BadTime},
        {"a subject with a PrintableString holding '@'",
         rebuiltWith(der, subject, built([](Builder& b) {
                         b.add(kSequence, [&] {
                             b.addSetOf([&] {
                                 b.add(kSequence, [&] {
                                     b.addOid("2.5.4.3");
                                     b.addPrimitive(kPrintableString, text("@"));
                                 });
                             });
                         });
                     })),
         Error::BadString},
        {"a GOST key whose value is no OCTET STRING",
         rebuiltWith(der, spki, built([](Builder& b) {
                         b.add(kSequence, [&] {
                             b.add(kSequence, [&] {
                                 b.addOid(oid::kGost2012_256);
                                 b.add(kSequence, [&] { b.addOid("1.2.643.7.1.2.1.1.1"); });
                             });
                             b.addBitString({0x05, 0x00});
                         });
                     })),
         Error::BadPublicKey},
        {"a GOST key without parameters",
         rebuiltWith(der, spki, built([](Builder& b) {
                         b.add(kSequence, [&] {
                             b.add(kSequence, [&] { b.addOid(oid::kGost2001); });
                             b.addBitString({0x04, 0x00});
                         });
                     })),
         Error::BadPublicKey},
        {"key usage twice", rebuiltWith(der, extensions, extensionsWith(keyUsage, keyUsage)),
         Error::DuplicateExtension},
        {"critical written out as FALSE",
         rebuiltWith(der, extensions,
                     extensionsWith(extension(oid::kKeyUsage, true, false, {0x03, 0x01, 0x00}),
                                    constraints)),
         Error::BadBoolean},
        {"key usage that is no BIT STRING",
         rebuiltWith(
             der, extensions,
             extensionsWith(extension(oid::kKeyUsage, false, false, {0x04, 0x00}), constraints)),
         Error::UnexpectedTag},
        {"basic constraints with cA written out as FALSE",
         rebuiltWith(der, extensions,
                     extensionsWith(keyUsage, extension(oid::kBasicConstraints, false, false,
                                                        {0x30, 0x03, 0x01, 0x01, 0x00}))),
         Error::BadBoolean},
    };
    for (const auto& c : cases) {
        Certificate certificate;
        EXPECT_EQ(parseCertificate(c.bytes.data(), c.bytes.size(), certificate), c.error) << c.name;
    }
}
