#pragma once

#include <cstddef>
#include <string>

#include "Builder.h"
#include "Error.h"
#include "Reader.h"

// GOST R 34.10 keys and signatures in X.509: SubjectPublicKeyInfo (RFC 4491 for 2001 keys,
// RFC 9215 for 2012 keys) and the signature value.
namespace der {

struct SubjectPublicKey {
    std::string algorithm;       // dotted
    std::string parameterSet;    // dotted; empty when the parameters name none
    std::string digestAlgorithm; // dotted; empty when absent
    // For GOST keys X then Y, least significant byte first, out of their OCTET STRING; for
    // others the subjectPublicKey's bytes.
    Bytes value;
};

// Reads a SubjectPublicKeyInfo element whole. GOST keys must carry their parameters and an
// OCTET STRING of twice the key size; BadPublicKey otherwise.
Error readSubjectPublicKeyInfo(Reader element, SubjectPublicKey& key);

enum class KeyAlgorithm { Gost2001, Gost2012_256, Gost2012_512 };

// 32 or 64: the size of each coordinate and of each half of a signature.
std::size_t keySize(KeyAlgorithm algorithm);
const char* keyAlgorithmOid(KeyAlgorithm algorithm);
// The signature algorithm of certificates and requests signed by the key: GOST R 34.11-94 with
// 34.10-2001, or 34.10-2012 with the Streebog of the key's size.
const char* signatureAlgorithmOid(KeyAlgorithm algorithm);

// A public key to write: X then Y, each keySize bytes, least significant byte first.
struct GostPublicKey {
    KeyAlgorithm algorithm = KeyAlgorithm::Gost2012_256;
    std::string parameterSet; // dotted
    Bytes value;
};

// UnknownParameterSet for a set the algorithm does not have, BadPublicKey for a value of the
// wrong size.
Error checkPublicKey(const GostPublicKey& key);
// The SubjectPublicKeyInfo of a checked key. The digest parameter set is written for 2001
// keys, which must have it, and for 2012-256 keys on the CryptoPro curves; RFC 9215 leaves it
// out for the TC26 sets.
void writeSubjectPublicKeyInfo(Builder& out, const GostPublicKey& key);

// The signature value as X.509 carries it (RFC 4491 2.2.2, RFC 9215 3.2): s then r, each
// most significant byte first, from r and s written that way.
Bytes signatureValue(const Bytes& r, const Bytes& s);

} // namespace der
