#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Error.h"
#include "Name.h"
#include "Reader.h"

// X.509 certificates (RFC 5280): their fields split out strictly, and a view of what they say.
namespace der {

// The certificate's parts as they stand in it, each element whole (tag and length included).
struct CertificateParts {
    Reader tbs;
    Reader signatureAlgorithm;
    Reader signature;
    int version = 1;
    Reader serialNumber;
    Reader tbsSignatureAlgorithm;
    Reader issuer;
    Reader validity;
    Reader subject;
    Reader subjectPublicKeyInfo;
    Reader extensions; // the contents of [3], empty when there is none
};

// Splits a certificate: one SEQUENCE of the TBS part, an algorithm and a BIT STRING, nothing
// after it; the TBS fields in their order with their tags, version 2 or 3 only when written
// (DER leaves out version 1, the default), a serial number in DER's INTEGER form.
Error splitCertificate(const std::uint8_t* der, std::size_t size, CertificateParts& parts);

// The bits of the key usage extension: bit n is the bit named n in RFC 5280.
enum KeyUsageBit : unsigned {
    kDigitalSignature = 1u << 0,
    kNonRepudiation = 1u << 1,
    kKeyEncipherment = 1u << 2,
    kDataEncipherment = 1u << 3,
    kKeyAgreement = 1u << 4,
    kKeyCertSign = 1u << 5,
    kCrlSign = 1u << 6,
    kEncipherOnly = 1u << 7,
    kDecipherOnly = 1u << 8,
};
// RFC 5280's names of the bits, bit 0 first.
extern const char* const kKeyUsageNames[9];

struct Extension {
    std::string oid;
    bool critical = false;
    Bytes value; // the contents of extnValue
};

struct Certificate {
    int version = 1;
    std::string serialHex; // the number in upper-case hexadecimal, as OpenSSL prints it
    Name issuer;
    Name subject;
    std::string notBefore; // ISO 8601 UTC
    std::string notAfter;
    std::string publicKeyAlgorithm; // dotted
    std::string parameterSet;       // dotted; empty when the parameters name none
    std::string digestAlgorithm;    // dotted; empty when absent
    // For GOST keys X then Y, least significant byte first, out of their OCTET STRING; for
    // others the subjectPublicKey's bytes.
    Bytes publicKey;
    bool hasKeyUsage = false;
    unsigned keyUsage = 0; // KeyUsageBit
    std::vector<std::string> extendedKeyUsage;
    bool hasBasicConstraints = false;
    bool isCa = false;
    int pathLength = -1; // -1 when unbounded
    std::vector<Extension> extensions;
    Bytes tbs; // the signed bytes
    std::string signatureAlgorithm;
    Bytes signature; // the BIT STRING's bytes
};

// Reads a certificate and what its fields say. Extensions other than key usage, extended key
// usage and basic constraints are listed, not read.
Error parseCertificate(const std::uint8_t* der, std::size_t size, Certificate& certificate);

} // namespace der
