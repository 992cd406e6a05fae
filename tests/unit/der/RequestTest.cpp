// PKCS#10 requests read back through the reader: their parts where RFC 2986 puts them, the
// signature of the software signers in X.509's byte order over the request's info, and the
// input refused before anything is signed.
#include "Request.h"
#include "Certificate.h"
#include "ErrorPrinting.h"
#include "OidTable.h"
#include "SoftwareKeys.h"

#include <gtest/gtest.h>

using namespace der;

namespace {

const KeyAlgorithm kAlgorithms[] = {KeyAlgorithm::Gost2001, KeyAlgorithm::Gost2012_256,
                                    KeyAlgorithm::Gost2012_512};

struct ReadRequest {
    Bytes info;
    Name subject;
    SubjectPublicKey key;
    std::vector<Extension> extensions;
    std::string signatureAlgorithm;
    Bytes signature;
};

ReadRequest readRequest(const Bytes& der) {
    ReadRequest out;
    Reader whole(der), request, infoElement, info, algorithm, attributes;
    EXPECT_EQ(whole.read(kSequence, request), Error::None);
    EXPECT_EQ(whole.expectEnd(), Error::None);
    EXPECT_EQ(request.readElement(kSequence, infoElement), Error::None);
    out.info = infoElement.bytes();
    EXPECT_EQ(infoElement.read(kSequence, info), Error::None);
    std::uint64_t version = 9;
    EXPECT_EQ(info.readUnsigned(version), Error::None);
    EXPECT_EQ(version, 0u);
    EXPECT_EQ(readName(info, out.subject), Error::None);
    Reader spki;
    EXPECT_EQ(info.readElement(kSequence, spki), Error::None);
    EXPECT_EQ(readSubjectPublicKeyInfo(spki, out.key), Error::None);
    EXPECT_EQ(info.read(contextTag(0, true), attributes), Error::None);
    while (!attributes.empty()) {
        Reader attribute, values, list;
        std::string type;
        EXPECT_EQ(attributes.read(kSequence, attribute), Error::None);
        EXPECT_EQ(attribute.readOid(type), Error::None);
        EXPECT_EQ(type, oid::kExtensionRequest);
        EXPECT_EQ(attribute.read(kSet, values), Error::None);
        EXPECT_EQ(values.read(kSequence, list), Error::None);
        while (!list.empty()) {
            Reader extension;
            Extension x;
            EXPECT_EQ(list.read(kSequence, extension), Error::None);
            EXPECT_EQ(extension.readOid(x.oid), Error::None);
            EXPECT_EQ(extension.readDefaultFalse(x.critical), Error::None);
            EXPECT_EQ(extension.readOctetString(x.value), Error::None);
            out.extensions.push_back(x);
        }
    }
    EXPECT_EQ(info.expectEnd(), Error::None);
    EXPECT_EQ(request.read(kSequence, algorithm), Error::None);
    EXPECT_EQ(algorithm.readOid(out.signatureAlgorithm), Error::None);
    EXPECT_EQ(algorithm.expectEnd(), Error::None) << "GOST signature algorithms have no parameters";
    unsigned unused = 0;
    EXPECT_EQ(request.readBitString(out.signature, unused), Error::None);
    return out;
}

} // namespace

TEST(DerRequestTest, SignsTheInfoAndCarriesWhatWasAsked) {
    Name subject;
    ASSERT_EQ(nameFromText("CN=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2,SNILS=12345678901,"
                           "INN=770123456789,C=RU",
                           subject),
              Error::None);
    RequestedExtensions asked;
    asked.keyUsage = kDigitalSignature | kNonRepudiation;
    asked.extendedKeyUsage = {"1.3.6.1.5.5.7.3.2", "1.3.6.1.5.5.7.3.4"};
    asked.subjectSignTool = "\xD0\xA1\xD0\x9A\xD0\x97\xD0\x98";
    asked.certificatePolicies = {"1.2.643.100.113.1"};
    for (KeyAlgorithm algorithm : kAlgorithms) {
        const dertest::SoftwareKey key = dertest::makeKey(algorithm);
        Bytes der;
        ASSERT_EQ(buildRequest(subject, key.publicKey, asked, dertest::signerFor(key), der),
                  Error::None);
        const ReadRequest request = readRequest(der);
        EXPECT_EQ(request.signatureAlgorithm, signatureAlgorithmOid(algorithm));
        EXPECT_TRUE(dertest::verifies(key, request.info, request.signature)) << int(algorithm);
        Bytes changed = request.info;
        changed.back() ^= 1;
        EXPECT_FALSE(dertest::verifies(key, changed, request.signature)) << int(algorithm);
        EXPECT_EQ(nameToText(request.subject), nameToText(subject));
        EXPECT_EQ(request.key.algorithm, keyAlgorithmOid(algorithm));
        EXPECT_EQ(request.key.parameterSet, key.publicKey.parameterSet);
        EXPECT_EQ(request.key.value, key.publicKey.value);
        EXPECT_EQ(request.key.digestAlgorithm,
                  algorithm == KeyAlgorithm::Gost2001 ? oid::kGost3411_94CryptoProParamSet : "");
        ASSERT_EQ(request.extensions.size(), 4u);
        EXPECT_EQ(request.extensions[0].oid, oid::kKeyUsage);
        EXPECT_TRUE(request.extensions[0].critical);
        EXPECT_EQ(request.extensions[0].value, (Bytes{0x03, 0x02, 0x06, 0xC0}));
        EXPECT_EQ(request.extensions[2].oid, oid::kSubjectSignTool);
        EXPECT_EQ(request.extensions[2].value[0], kUtf8String);
    }
}

TEST(DerRequestTest, WritesAnEmptyAttributeSetWhenNothingIsAsked) {
    const dertest::SoftwareKey key = dertest::makeKey(KeyAlgorithm::Gost2012_256);
    Bytes der;
    ASSERT_EQ(buildRequest(Name{}, key.publicKey, {}, dertest::signerFor(key), der), Error::None);
    EXPECT_TRUE(readRequest(der).extensions.empty());
    const std::string pem = toPem(der, "CERTIFICATE REQUEST");
    EXPECT_EQ(pem.rfind("-----BEGIN CERTIFICATE REQUEST-----\n", 0), 0u);
    EXPECT_EQ(pem.substr(pem.size() - 34), "-----END CERTIFICATE REQUEST-----\n");
    EXPECT_EQ(toPem({'M', 'a'}, "X"), "-----BEGIN X-----\nTWE=\n-----END X-----\n");
}

TEST(DerRequestTest, RefusesInputBeforeSigning) {
    const dertest::SoftwareKey key = dertest::makeKey(KeyAlgorithm::Gost2012_256);
    bool signerCalled = false;
    const RequestSigner spy = [&](const Bytes&, Bytes&, Bytes&) { return signerCalled = true; };
    const struct {
        const char* name;
        void (*change)(GostPublicKey&, RequestedExtensions&);
        Error error;
    } cases[] = {
        {"a 512-bit set for a 256-bit key",
         [](GostPublicKey& k, RequestedExtensions&) { k.parameterSet = "1.2.643.7.1.2.1.2.1"; },
         Error::UnknownParameterSet},
        {"the 2001 test set",
         [](GostPublicKey& k, RequestedExtensions&) {
             k.algorithm = KeyAlgorithm::Gost2001;
             k.parameterSet = "1.2.643.2.2.35.0";
         },
         Error::UnknownParameterSet},
        {"a 2012-512 key of 64 bytes",
         [](GostPublicKey& k, RequestedExtensions&) {
             k.algorithm = KeyAlgorithm::Gost2012_512;
             k.parameterSet = "1.2.643.7.1.2.1.2.2";
         },
         Error::BadPublicKey},
        {"a key purpose that is no identifier",
         [](GostPublicKey&, RequestedExtensions& x) { x.extendedKeyUsage = {"clientAuth"}; },
         Error::BadOidText},
        {"a policy that is no identifier",
         [](GostPublicKey&, RequestedExtensions& x) { x.certificatePolicies = {"1.2.x"}; },
         Error::BadOidText},
        {"a signing tool of 201 characters",
         [](GostPublicKey&, RequestedExtensions& x) { x.subjectSignTool = std::string(201, 'a'); },
         Error::ValueTooLong},
        {"a key usage bit beyond decipherOnly",
         [](GostPublicKey&, RequestedExtensions& x) { x.keyUsage = 1u << 9; }, Error::BadExtension},
    };
    for (const auto& c : cases) {
        GostPublicKey publicKey = key.publicKey;
        RequestedExtensions extensions;
        c.change(publicKey, extensions);
        Bytes der;
        EXPECT_EQ(buildRequest(Name{}, publicKey, extensions, spy, der), c.error) << c.name;
        EXPECT_FALSE(signerCalled) << c.name;
    }
    Bytes der;
    const RequestSigner failing = [](const Bytes&, Bytes&, Bytes&) { return false; };
    EXPECT_EQ(buildRequest(Name{}, key.publicKey, {}, failing, der), Error::SigningFailed);
    const RequestSigner shortHalves = [](const Bytes&, Bytes& r, Bytes& s) {
        r.assign(31, 1);
        s.assign(32, 1);
        return true;
    };
    EXPECT_EQ(buildRequest(Name{}, key.publicKey, {}, shortHalves, der), Error::SigningFailed);
    EXPECT_EQ(buildRequest(Name{}, key.publicKey, {}, RequestSigner(), der), Error::SigningFailed);
}
