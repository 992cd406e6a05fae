// The DER layer against OpenSSL with its GOST engine: certificates OpenSSL makes for 2001,
// 2012-256 and 2012-512 keys read with the fields OpenSSL prints for them, and requests we
// build, signed by the software signers, verified and printed by `openssl req`.
#include "Certificate.h"
#include "ErrorPrinting.h"
#include "HexText.h"
#include "OidTable.h"
#include "Request.h"
#include "SoftwareKeys.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

using namespace der;
namespace fs = std::filesystem;

namespace {

struct Algorithm {
    const char* engineName;
    const char* engineParamSet;
    KeyAlgorithm algorithm;
    const char* parameterSet;
};

const Algorithm kAlgorithms[] = {
    {"gost2001", "A", KeyAlgorithm::Gost2001, "1.2.643.2.2.35.1"},
    {"gost2012_256", "TCA", KeyAlgorithm::Gost2012_256, "1.2.643.7.1.2.1.1.1"},
    {"gost2012_512", "A", KeyAlgorithm::Gost2012_512, "1.2.643.7.1.2.1.2.1"},
};

// A subject with the Russian attributes and the characters RFC 4514 escapes.
const char* const kSubject = "/C=RU/L=\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"
                             "/O=\xD0\x9E\xD0\x9E\xD0\x9E \"\xD0\xA0\xD0\xBE\xD0\xB3\xD0\xB0, "
                             "\xD0\xB8 \xD0\xBA\xD0\xBE\xD0\xBF\xD1\x8B\xD1\x82\xD0\xB0\""
                             "/CN=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2 \\+ Co"
                             "/INN=770123456789/SNILS=12345678901/OGRN=1027700132195"
                             "/OGRNIP=304500116000157/emailAddress=a@b.ru";

class DerOpenSsl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("kv-der-openssl-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "engine.cnf") << "openssl_conf = openssl_def\n"
                                              "[openssl_def]\nengines = engine_section\n"
                                              "[engine_section]\ngost = gost_section\n"
                                              "[gost_section]\nengine_id = gost\n"
                                              "dynamic_path = " KV_GOST_ENGINE_PATH "\n"
                                              "default_algorithms = ALL\n";
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    // OpenSSL's output, standard error included, and its exit status.
    static std::string openssl(const std::string& arguments, int& status) {
        const std::string command = "OPENSSL_CONF='" + (dir_ / "engine.cnf").string() + "' " +
                                    KV_OPENSSL_PROGRAM + " " + arguments + " 2>&1";
        std::string output;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe)
            return output;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        status = ::pclose(pipe);
        return output;
    }
    static std::string openssl(const std::string& arguments) {
        int status = -1;
        std::string output = openssl(arguments, status);
        EXPECT_EQ(status, 0) << arguments << "\n" << output;
        return output;
    }

    static std::string path(const char* name) { return "'" + (dir_ / name).string() + "'"; }

    static Bytes readFile(const char* name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void writeFile(const char* name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    static fs::path dir_;
};

fs::path DerOpenSsl::dir_;

// What follows the prefix on the line of OpenSSL's output that starts with it, or the next
// line where nothing follows (a value printed indented under its heading).
std::string field(const std::string& output, const std::string& prefix) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0)
            continue;
        const std::string rest = line.substr(start + prefix.size());
        if (rest.find_first_not_of(' ') != std::string::npos || !std::getline(lines, line))
            return rest;
        return line.substr(line.find_first_not_of(' '));
    }
    return "<" + prefix + " not printed>";
}

std::string withoutLeadingZeros(std::string hex) {
    hex.erase(0, std::min(hex.find_first_not_of('0'), hex.size() - 1));
    return hex;
}

// A coordinate of our little-endian X || Y as OpenSSL prints it: big-endian hex.
std::string coordinate(const Bytes& xy, bool y) {
    const std::size_t half = xy.size() / 2;
    Bytes value(xy.begin() + (y ? half : 0), xy.begin() + (y ? xy.size() : half));
    return withoutLeadingZeros(hexText(Bytes(value.rbegin(), value.rend())));
}

// Our key usage bits and key purposes in OpenSSL's words.
std::string keyUsageText(unsigned bits) {
    static const char* const names[] = {"Digital Signature", "Non Repudiation", "Key Encipherment",
                                        "Data Encipherment", "Key Agreement",   "Certificate Sign",
                                        "CRL Sign",          "Encipher Only",   "Decipher Only"};
    std::string out;
    for (unsigned bit = 0; bit < 9; ++bit)
        if (bits >> bit & 1)
            out += (out.empty() ? "" : ", ") + std::string(names[bit]);
    return out;
}

std::string purposesText(const std::vector<std::string>& oids) {
    static const std::map<std::string, std::string> names = {
        {"1.3.6.1.5.5.7.3.2", "TLS Web Client Authentication"},
        {"1.3.6.1.5.5.7.3.4", "E-mail Protection"}};
    std::string out;
    for (const std::string& oid : oids)
        out += (out.empty() ? "" : ", ") + (names.count(oid) ? names.at(oid) : oid);
    return out;
}

} // namespace

TEST_F(DerOpenSsl, CertificatesReadWithTheFieldsOpenSslPrints) {
    for (const Algorithm& a : kAlgorithms) {
        SCOPED_TRACE(a.engineName);
        openssl(std::string("req -x509 -new -newkey ") + a.engineName + " -pkeyopt paramset:" +
                a.engineParamSet + " -nodes -keyout " + path("key.pem") + " -utf8 -subj '" +
                kSubject + "' -addext 'keyUsage=critical,digitalSignature,nonRepudiation'" +
                " -addext 'extendedKeyUsage=clientAuth,emailProtection'" +
                " -addext 'basicConstraints=critical,CA:TRUE,pathlen:1'" +
                " -addext '1.2.643.100.111=ASN1:UTF8String:tool'" +
                " -days 30 -set_serial 0x00ABCDEF0123 -outform DER -out " + path("cert.der"));
        const Bytes der = readFile("cert.der");
        Certificate c;
        ASSERT_EQ(parseCertificate(der.data(), der.size(), c), Error::None);

        const std::string printed = openssl(
            "x509 -inform DER -in " + path("cert.der") +
            " -noout -serial -subject -issuer -startdate -enddate -dateopt iso_8601"
            " -nameopt RFC2253,-esc_msb -ext keyUsage,extendedKeyUsage,basicConstraints -text");
        EXPECT_EQ(c.serialHex, field(printed, "serial="));
        EXPECT_EQ(nameToText(c.subject), field(printed, "subject="));
        EXPECT_EQ(nameToText(c.issuer), field(printed, "issuer="));
        std::string notBefore = field(printed, "notBefore="),
                    notAfter = field(printed, "notAfter=");
        notBefore.replace(10, 1, "T");
        notAfter.replace(10, 1, "T");
        EXPECT_EQ(c.notBefore, notBefore);
        EXPECT_EQ(c.notAfter, notAfter);
        EXPECT_TRUE(c.hasKeyUsage);
        EXPECT_EQ(keyUsageText(c.keyUsage), field(printed, "X509v3 Key Usage: critical"));
        EXPECT_EQ(purposesText(c.extendedKeyUsage), field(printed, "X509v3 Extended Key Usage:"));
        EXPECT_TRUE(c.hasBasicConstraints && c.isCa);
        EXPECT_EQ("CA:TRUE, pathlen:" + std::to_string(c.pathLength),
                  field(printed, "X509v3 Basic Constraints: critical"));
        EXPECT_EQ(c.publicKeyAlgorithm, keyAlgorithmOid(a.algorithm));
        EXPECT_EQ(c.parameterSet, a.parameterSet);
        EXPECT_EQ(coordinate(c.publicKey, false), withoutLeadingZeros(field(printed, "X:")));
        EXPECT_EQ(coordinate(c.publicKey, true), withoutLeadingZeros(field(printed, "Y:")));
        EXPECT_EQ(c.signatureAlgorithm, signatureAlgorithmOid(a.algorithm));

        const std::vector<NameAttribute> subject = c.subject.attributes();
        ASSERT_EQ(subject.size(), 9u);
        EXPECT_EQ(subject[4].type, "INN");
        EXPECT_EQ(subject[4].value, "770123456789");
        EXPECT_EQ(subject[5].type, "SNILS");
        EXPECT_EQ(subject[7].type, "OGRNIP");

        // The signature over the TBS bytes, as X.509 orders it, holds for the key.
        dertest::SoftwareKey key;
        key.publicKey = {a.algorithm, c.parameterSet, c.publicKey};
        EXPECT_TRUE(dertest::verifies(key, c.tbs, c.signature));
    }
}

TEST_F(DerOpenSsl, RequestsVerifyAndPrintAsAsked) {
    Name subject;
    ASSERT_EQ(nameFromText("CN=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\\, "
                           "\xD0\x98.,O=\\\"\xD0\xA0\xD0\xBE\xD0\xB3\xD0\xB0\\\","
                           "SNILS=12345678901,INN=770123456789,OGRN=1027700132195,C=RU",
                           subject),
              Error::None);
    RequestedExtensions asked;
    asked.keyUsage = kDigitalSignature | kNonRepudiation | kKeyEncipherment;
    asked.extendedKeyUsage = {"1.3.6.1.5.5.7.3.2", "1.3.6.1.5.5.7.3.4"};
    asked.subjectSignTool = "\xD0\xA1\xD0\x9A\xD0\x97\xD0\x98 test";
    asked.certificatePolicies = {"1.2.643.100.113.1", "1.2.3.4"};
    for (const Algorithm& a : kAlgorithms) {
        SCOPED_TRACE(a.engineName);
        const dertest::SoftwareKey key = dertest::makeKey(a.algorithm);
        Bytes der;
        ASSERT_EQ(buildRequest(subject, key.publicKey, asked, dertest::signerFor(key), der),
                  Error::None);
        writeFile("req.pem", toPem(der, "CERTIFICATE REQUEST"));
        const std::string verified = openssl("req -in " + path("req.pem") + " -verify -noout");
        EXPECT_NE(verified.find("verify OK"), std::string::npos) << verified;

        const std::string printed =
            openssl("req -in " + path("req.pem") + " -noout -subject -nameopt RFC2253,-esc_msb");
        EXPECT_EQ(field(printed, "subject="), nameToText(subject));
        const std::string text = openssl("req -in " + path("req.pem") + " -noout -text");
        EXPECT_EQ(field(text, "X509v3 Key Usage: critical"), keyUsageText(asked.keyUsage));
        EXPECT_EQ(field(text, "X509v3 Extended Key Usage:"), purposesText(asked.extendedKeyUsage));
        EXPECT_NE(text.find(asked.subjectSignTool), std::string::npos) << text;
        EXPECT_NE(text.find("Policy: 1.2.3.4"), std::string::npos) << text;

        // A signature changed in its last byte, or a request signed by another key, is refused.
        Bytes changed = der;
        changed.back() ^= 0x01;
        writeFile("bad.pem", toPem(changed, "CERTIFICATE REQUEST"));
        // (OpenSSL 3.0 exits with 0 either way: its verdict is in what it prints.)
        int status = 0;
        EXPECT_EQ(
            openssl("req -in " + path("bad.pem") + " -verify -noout", status).find("verify OK"),
            std::string::npos);
        dertest::SoftwareKey other = dertest::makeKey(a.algorithm);
        other.publicKey = key.publicKey;
        ASSERT_EQ(buildRequest(subject, key.publicKey, {}, dertest::signerFor(other), der),
                  Error::None);
        writeFile("bad.pem", toPem(der, "CERTIFICATE REQUEST"));
        EXPECT_EQ(
            openssl("req -in " + path("bad.pem") + " -verify -noout", status).find("verify OK"),
            std::string::npos);
    }
}
