#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Error.h"
#include "GostKey.h"
#include "Name.h"

// PKCS#10 certificate requests (RFC 2986) for GOST keys, signed by a caller's signer.
namespace der {

// What the request asks the CA to put in the certificate, carried in an extensionRequest
// attribute (PKCS#9). Empty fields ask for nothing.
struct RequestedExtensions {
    unsigned keyUsage = 0;                        // KeyUsageBit; written critical
    std::vector<std::string> extendedKeyUsage;    // dotted key purposes
    std::string subjectSignTool;                  // UTF8String of 1 to 200 characters
    std::vector<std::string> certificatePolicies; // dotted policy identifiers
};

// Signs the bytes given (the request's CertificationRequestInfo) with the key: hashes them with
// the key's digest (GOST R 34.11-94 for 2001 keys, Streebog of the key's size for 2012 keys)
// and gives r and s, each keySize bytes, most significant byte first.
using RequestSigner = std::function<bool(const Bytes& toBeSigned, Bytes& r, Bytes& s)>;

// The DER of the signed request. The key's failures as checkPublicKey; BadOidText for a key
// purpose or policy that is no identifier; ValueTooLong or ValueTooShort for the signing tool,
// BadExtension for key usage bits beyond decipherOnly; SigningFailed when the signer fails or
// gives halves of the wrong size.
Error buildRequest(const Name& subject, const GostPublicKey& key,
                   const RequestedExtensions& extensions, const RequestSigner& sign, Bytes& der);

// PEM: the label's armour around the base64 of the bytes in lines of 64 characters.
std::string toPem(const Bytes& der, const std::string& label);

} // namespace der
