#include "OidTable.h"

#include <cstring>

namespace der {

namespace {

struct Entry {
    const char* dotted;
    const char* name;      // the short name, as OpenSSL and RFC 4514 texts write it
    const char* otherName; // the long name, or null
};

const Entry kTable[] = {
    // GOST R 34.10-2001, GOST R 34.11-94 and their CryptoPro parameter sets (RFC 4357).
    {"1.2.643.2.2.19", "id-GostR3410-2001", nullptr},
    {"1.2.643.2.2.9", "id-GostR3411-94", nullptr},
    {"1.2.643.2.2.3", "id-GostR3411-94-with-GostR3410-2001", nullptr},
    {"1.2.643.2.2.30.1", "id-GostR3411-94-CryptoProParamSet", nullptr},
    {"1.2.643.2.2.31.1", "id-Gost28147-89-CryptoPro-A-ParamSet", nullptr},
    {"1.2.643.2.2.35.0", "id-GostR3410-2001-TestParamSet", nullptr},
    {"1.2.643.2.2.35.1", "id-GostR3410-2001-CryptoPro-A-ParamSet", nullptr},
    {"1.2.643.2.2.35.2", "id-GostR3410-2001-CryptoPro-B-ParamSet", nullptr},
    {"1.2.643.2.2.35.3", "id-GostR3410-2001-CryptoPro-C-ParamSet", nullptr},
    {"1.2.643.2.2.36.0", "id-GostR3410-2001-CryptoPro-XchA-ParamSet", nullptr},
    {"1.2.643.2.2.36.1", "id-GostR3410-2001-CryptoPro-XchB-ParamSet", nullptr},
    // GOST R 34.10-2012, Streebog and the TC26 parameter sets (RFC 7836, RFC 9215).
    {"1.2.643.7.1.1.1.1", "id-tc26-gost3410-12-256", nullptr},
    {"1.2.643.7.1.1.1.2", "id-tc26-gost3410-12-512", nullptr},
    {"1.2.643.7.1.1.2.2", "id-tc26-gost3411-12-256", nullptr},
    {"1.2.643.7.1.1.2.3", "id-tc26-gost3411-12-512", nullptr},
    {"1.2.643.7.1.1.3.2", "id-tc26-signwithdigest-gost3410-12-256", nullptr},
    {"1.2.643.7.1.1.3.3", "id-tc26-signwithdigest-gost3410-12-512", nullptr},
    {"1.2.643.7.1.2.1.1.1", "id-tc26-gost-3410-12-256-paramSetA", nullptr},
    {"1.2.643.7.1.2.1.1.2", "id-tc26-gost-3410-12-256-paramSetB", nullptr},
    {"1.2.643.7.1.2.1.1.3", "id-tc26-gost-3410-12-256-paramSetC", nullptr},
    {"1.2.643.7.1.2.1.1.4", "id-tc26-gost-3410-12-256-paramSetD", nullptr},
    {"1.2.643.7.1.2.1.2.0", "id-tc26-gost-3410-12-512-paramSetTest", nullptr},
    {"1.2.643.7.1.2.1.2.1", "id-tc26-gost-3410-12-512-paramSetA", nullptr},
    {"1.2.643.7.1.2.1.2.2", "id-tc26-gost-3410-12-512-paramSetB", nullptr},
    {"1.2.643.7.1.2.1.2.3", "id-tc26-gost-3410-12-512-paramSetC", nullptr},
    // X.500 name attributes (RFC 5280, RFC 4519).
    {"2.5.4.3", "CN", "commonName"},
    {"2.5.4.4", "SN", "surname"},
    {"2.5.4.5", "serialNumber", nullptr},
    {"2.5.4.6", "C", "countryName"},
    {"2.5.4.7", "L", "localityName"},
    {"2.5.4.8", "ST", "stateOrProvinceName"},
    {"2.5.4.9", "street", "streetAddress"},
    {"2.5.4.10", "O", "organizationName"},
    {"2.5.4.11", "OU", "organizationalUnitName"},
    {"2.5.4.12", "title", nullptr},
    {"2.5.4.42", "GN", "givenName"},
    {"2.5.4.43", "initials", nullptr},
    {"2.5.4.44", "generationQualifier", nullptr},
    {"2.5.4.46", "dnQualifier", nullptr},
    {"2.5.4.65", "pseudonym", nullptr},
    {"1.2.840.113549.1.9.1", "emailAddress", nullptr},
    {"0.9.2342.19200300.100.1.25", "DC", "domainComponent"},
    {"0.9.2342.19200300.100.1.1", "UID", "userId"},
    // The Russian attributes and extensions of qualified certificates.
    {"1.2.643.100.1", "OGRN", nullptr},
    {"1.2.643.100.3", "SNILS", nullptr},
    {"1.2.643.3.131.1.1", "INN", nullptr},
    {"1.2.643.100.4", "INNLE", nullptr},
    {"1.2.643.100.5", "OGRNIP", nullptr},
    {"1.2.643.100.111", "subjectSignTool", nullptr},
    {"1.2.643.100.112", "issuerSignTool", nullptr},
    {"1.2.643.100.113.1", "classSignToolKC1", nullptr},
    {"1.2.643.100.113.2", "classSignToolKC2", nullptr},
    {"1.2.643.100.113.3", "classSignToolKC3", nullptr},
    {"1.2.643.100.113.4", "classSignToolKB1", nullptr},
    {"1.2.643.100.113.5", "classSignToolKB2", nullptr},
    {"1.2.643.100.113.6", "classSignToolKA1", nullptr},
    // X.509 extensions and key purposes (RFC 5280).
    {"2.5.29.14", "subjectKeyIdentifier", nullptr},
    {"2.5.29.15", "keyUsage", nullptr},
    {"2.5.29.16", "privateKeyUsagePeriod", nullptr},
    {"2.5.29.17", "subjectAltName", nullptr},
    {"2.5.29.19", "basicConstraints", nullptr},
    {"2.5.29.31", "crlDistributionPoints", nullptr},
    {"2.5.29.32", "certificatePolicies", nullptr},
    {"2.5.29.32.0", "anyPolicy", nullptr},
    {"2.5.29.35", "authorityKeyIdentifier", nullptr},
    {"2.5.29.37", "extendedKeyUsage", nullptr},
    {"2.5.29.37.0", "anyExtendedKeyUsage", nullptr},
    {"1.3.6.1.5.5.7.1.1", "authorityInfoAccess", nullptr},
    {"1.3.6.1.5.5.7.3.1", "serverAuth", nullptr},
    {"1.3.6.1.5.5.7.3.2", "clientAuth", nullptr},
    {"1.3.6.1.5.5.7.3.3", "codeSigning", nullptr},
    {"1.3.6.1.5.5.7.3.4", "emailProtection", nullptr},
    {"1.3.6.1.5.5.7.3.8", "timeStamping", nullptr},
    {"1.3.6.1.5.5.7.3.9", "OCSPSigning", nullptr},
    // PKCS#9 attributes and CMS content types (RFC 2985, RFC 5652, RFC 5035).
    {"1.2.840.113549.1.9.3", "contentType", nullptr},
    {"1.2.840.113549.1.9.4", "messageDigest", nullptr},
    {"1.2.840.113549.1.9.5", "signingTime", nullptr},
    {"1.2.840.113549.1.9.7", "challengePassword", nullptr},
    {"1.2.840.113549.1.9.14", "extensionRequest", nullptr},
    {"1.2.840.113549.1.9.16.2.47", "signingCertificateV2", nullptr},
    {"1.2.840.113549.1.7.1", "data", nullptr},
    {"1.2.840.113549.1.7.2", "signedData", nullptr},
};

bool sameLetters(const char* a, const std::string& b) {
    if (std::strlen(a) != b.size())
        return false;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::string oidName(const std::string& dotted) {
    for (const Entry& e : kTable)
        if (dotted == e.dotted)
            return e.name;
    return {};
}

std::string oidByName(const std::string& name) {
    for (const Entry& e : kTable)
        if (sameLetters(e.name, name) || (e.otherName && sameLetters(e.otherName, name)))
            return e.dotted;
    return {};
}

} // namespace der
