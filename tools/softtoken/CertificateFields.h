#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// The names of an X.509 certificate that a PKCS#11 certificate object carries beside its value.
namespace softtoken {

// Each field as it stands in the certificate: the DER element whole (tag, length and contents).
struct CertificateFields {
    std::vector<unsigned char> subject;
    std::vector<unsigned char> issuer;
    std::vector<unsigned char> serialNumber;
};

// Reads a DER-encoded certificate strictly: definite lengths in their shortest form, every
// element inside its parent, the certificate's fields in their order and nothing after it.
// Nothing when the bytes are not such a certificate.
std::optional<CertificateFields> readCertificateFields(const unsigned char* der, std::size_t size);

} // namespace softtoken
