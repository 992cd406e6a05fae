// What adapter mode adds to the plug-in's templates before a vendor module sees them.

#include "AdapterTemplates.h"
#include "SoftTokenFixture.h"
#include "TestCertificate.h"

using softtoken::AdaptedTemplate;

namespace {

const CK_ULONG certificateClass = CKO_CERTIFICATE, publicClass = CKO_PUBLIC_KEY,
               privateClass = CKO_PRIVATE_KEY, secretClass = CKO_SECRET_KEY,
               gostKeyType = CKK_GOSTR3410, gost28147 = CKK_GOST28147, x509 = CKC_X_509,
               wtls = CKC_WTLS;
const Bytes cryptoProHash = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1E, 0x01};
const Bytes cryptoProAEncryption = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1F, 0x01};
const std::string repairKey = "repair key", alpha = "alpha";
const Bytes testCurve = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x00};

Bytes valueOf(const CK_ATTRIBUTE& a) {
    const auto* p = static_cast<const unsigned char*>(a.pValue);
    return p ? Bytes(p, p + a.ulValueLen) : Bytes();
}

// The entries as (type, value) pairs, in order.
std::vector<std::pair<CK_ATTRIBUTE_TYPE, Bytes>> entries(AdaptedTemplate& t) {
    std::vector<std::pair<CK_ATTRIBUTE_TYPE, Bytes>> out;
    for (CK_ULONG i = 0; i < t.count(); ++i)
        out.emplace_back(t.attributes()[i].type, valueOf(t.attributes()[i]));
    return out;
}

std::vector<std::pair<CK_ATTRIBUTE_TYPE, Bytes>> entries(const std::vector<CK_ATTRIBUTE>& t) {
    std::vector<std::pair<CK_ATTRIBUTE_TYPE, Bytes>> out;
    for (const CK_ATTRIBUTE& a : t)
        out.emplace_back(a.type, valueOf(a));
    return out;
}

Bytes number(CK_ULONG n) {
    return Bytes(reinterpret_cast<const unsigned char*>(&n),
                 reinterpret_cast<const unsigned char*>(&n) + sizeof n);
}

// The plug-in's template of a new certificate.
std::vector<CK_ATTRIBUTE> certificateTemplate(const Bytes& value) {
    return {attr(CKA_TOKEN, yes),      attr(CKA_CLASS, certificateClass),
            attr(CKA_LABEL, kvwLabel), attr(CKA_ID, repairKey),
            attr(CKA_PRIVATE, no),     attr(CKA_VALUE, value)};
}

// The plug-in's template of a new key of the pair.
std::vector<CK_ATTRIBUTE> keyTemplate(const CK_ULONG& objectClass) {
    return {attr(CKA_TOKEN, yes),
            attr(CKA_CLASS, objectClass),
            attr(CKA_LABEL, kvwLabel),
            attr(CKA_ID, alpha),
            attr(CKA_KEY_TYPE, gostKeyType),
            attr(CKA_GOSTR3410_PARAMS, cryptoProA),
            attr(CKA_DERIVE, yes)};
}

} // namespace

TEST(AdapterTemplatesTest, ACertificateGetsItsTypeNamesAndSerialNumberFromItsValue) {
    for (const TestCertificate* c : {&certificateV3(), &certificateV1()}) {
        const std::vector<CK_ATTRIBUTE> given = certificateTemplate(c->der);
        AdaptedTemplate t(given.data(), given.size());
        softtoken::completeCertificate(t);
        auto expected = entries(given);
        expected.emplace_back(CKA_CERTIFICATE_TYPE, number(CKC_X_509));
        expected.emplace_back(CKA_SUBJECT, c->subject);
        expected.emplace_back(CKA_ISSUER, c->issuer);
        expected.emplace_back(CKA_SERIAL_NUMBER, c->serialNumber);
        EXPECT_EQ(entries(t), expected);
        EXPECT_EQ(t.attributes()[5].pValue, given[5].pValue)
            << "the caller's value is passed as is";
    }
}

TEST(AdapterTemplatesTest, WhatTheCallerGaveOrCannotBeReadStaysAsItWas) {
    const Bytes der = certificateV3().der, publicKeyValue(64, 0x11);
    const Bytes ownSubject = {0x30, 0x00};
    const CK_ULONG dataClass = CKO_DATA;
    auto with = [&](std::vector<CK_ATTRIBUTE> t, CK_ATTRIBUTE extra) {
        t.push_back(extra);
        return t;
    };
    const struct {
        std::string name;
        std::vector<CK_ATTRIBUTE> given;
    } unchanged[] = {
        {"a value that is not a certificate", certificateTemplate(publicKeyValue)},
        {"a certificate of another type",
         with(certificateTemplate(der), attr(CKA_CERTIFICATE_TYPE, wtls))},
        {"a certificate value in a data object",
         {attr(CKA_CLASS, dataClass), attr(CKA_VALUE, der)}},
        {"no value", {attr(CKA_CLASS, certificateClass)}},
        {"a class of the wrong size",
         {attr(CKA_CLASS, &certificateClass, 1), attr(CKA_VALUE, der)}},
        {"a value without bytes",
         {attr(CKA_CLASS, certificateClass), attr(CKA_VALUE, nullptr, 10)}},
    };
    for (const auto& c : unchanged) {
        AdaptedTemplate t(c.given.data(), c.given.size());
        softtoken::completeCertificate(t);
        EXPECT_EQ(entries(t), entries(c.given)) << c.name;
    }

    // Given fields are kept; only the missing ones are added.
    const auto given = with(with(certificateTemplate(der), attr(CKA_CERTIFICATE_TYPE, x509)),
                            attr(CKA_SUBJECT, ownSubject));
    AdaptedTemplate t(given.data(), given.size());
    softtoken::completeCertificate(t);
    auto expected = entries(given);
    expected.emplace_back(CKA_ISSUER, certificateV3().issuer);
    expected.emplace_back(CKA_SERIAL_NUMBER, certificateV3().serialNumber);
    EXPECT_EQ(entries(t), expected);
}

TEST(AdapterTemplatesTest, AGostKeyPairGetsItsParametersWhereTheyBelongAndTheUsesThePlugInNeeds) {
    const auto publicGiven = keyTemplate(publicClass);
    const auto privateGiven = keyTemplate(privateClass);
    AdaptedTemplate publicKey(publicGiven.data(), publicGiven.size());
    AdaptedTemplate privateKey(privateGiven.data(), privateGiven.size());
    softtoken::completeGostKeyPair(publicKey, privateKey);

    auto expectedPublic = entries(publicGiven);
    expectedPublic.emplace_back(CKA_GOSTR3411_PARAMS, cryptoProHash);
    expectedPublic.emplace_back(CKA_PRIVATE, Bytes{CK_FALSE});
    EXPECT_EQ(entries(publicKey), expectedPublic);
    auto expectedPrivate = entries(privateGiven);
    expectedPrivate.erase(expectedPrivate.begin() + 5); // CKA_GOSTR3410_PARAMS
    expectedPrivate.emplace_back(CKA_SIGN, Bytes{CK_TRUE});
    EXPECT_EQ(entries(privateKey), expectedPrivate);
}

TEST(AdapterTemplatesTest, KeyPairParametersGivenOnlyForThePrivateKeyMoveAndConflictsStay) {
    const std::vector<CK_ATTRIBUTE> bare = {attr(CKA_PRIVATE, yes)};
    const std::vector<CK_ATTRIBUTE> privateOnly = {attr(CKA_GOSTR3410_PARAMS, testCurve),
                                                   attr(CKA_SIGN, no)};
    AdaptedTemplate publicKey(bare.data(), bare.size());
    AdaptedTemplate privateKey(privateOnly.data(), privateOnly.size());
    softtoken::completeGostKeyPair(publicKey, privateKey);
    EXPECT_EQ(entries(publicKey), (std::vector<std::pair<CK_ATTRIBUTE_TYPE, Bytes>>{
                                      {CKA_PRIVATE, {CK_TRUE}},
                                      {CKA_GOSTR3410_PARAMS, testCurve},
                                      {CKA_GOSTR3411_PARAMS, cryptoProHash}}));
    EXPECT_EQ(entries(privateKey),
              (std::vector<std::pair<CK_ATTRIBUTE_TYPE, Bytes>>{{CKA_SIGN, {CK_FALSE}}}));

    // Two different curves are the module's to refuse, not ours to choose between.
    const std::vector<CK_ATTRIBUTE> publicCurve = {attr(CKA_GOSTR3410_PARAMS, cryptoProA)};
    AdaptedTemplate conflictPublic(publicCurve.data(), publicCurve.size());
    AdaptedTemplate conflictPrivate(privateOnly.data(), privateOnly.size());
    softtoken::completeGostKeyPair(conflictPublic, conflictPrivate);
    EXPECT_EQ(entries(conflictPrivate), entries(privateOnly));
}

// A 2012 key on a TC26 set gets its own digest, Streebog-256, not GOST R 34.11-94.
TEST(AdapterTemplatesTest, A2012KeyPairGetsStreebogParameters) {
    const Bytes tc26A = {0x06, 0x09, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x02, 0x01, 0x01, 0x01};
    const Bytes streebog256 = {0x06, 0x08, 0x2A, 0x85, 0x03, 0x07, 0x01, 0x01, 0x02, 0x02};
    const std::vector<CK_ATTRIBUTE> given = {attr(CKA_GOSTR3410_PARAMS, tc26A)};
    AdaptedTemplate publicKey(given.data(), given.size());
    AdaptedTemplate privateKey(nullptr, 0);
    softtoken::completeGostKeyPair(publicKey, privateKey);
    EXPECT_EQ(publicKey.bytes(CKA_GOSTR3411_PARAMS), streebog256);
}

TEST(AdapterTemplatesTest, ADerivedGost28147KeyGetsItsParameters) {
    const std::vector<CK_ATTRIBUTE> secret = {attr(CKA_CLASS, secretClass),
                                              attr(CKA_KEY_TYPE, gost28147), attr(CKA_TOKEN, no),
                                              attr(CKA_SENSITIVE, no), attr(CKA_EXTRACTABLE, yes)};
    AdaptedTemplate t(secret.data(), secret.size());
    softtoken::completeDerivedKey(t);
    auto expected = entries(secret);
    expected.emplace_back(CKA_GOST28147_PARAMS, cryptoProAEncryption);
    EXPECT_EQ(entries(t), expected);

    const CK_ULONG generic = CKK_GENERIC_SECRET;
    const std::vector<CK_ATTRIBUTE> other = {attr(CKA_CLASS, secretClass),
                                             attr(CKA_KEY_TYPE, generic)};
    AdaptedTemplate untouched(other.data(), other.size());
    softtoken::completeDerivedKey(untouched);
    EXPECT_EQ(entries(untouched), entries(other));
}
