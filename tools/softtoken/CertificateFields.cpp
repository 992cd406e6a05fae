#include "CertificateFields.h"

#include "Certificate.h"

namespace softtoken {

std::optional<CertificateFields> readCertificateFields(const unsigned char* der, std::size_t size) {
    if (!der)
        return std::nullopt;
    der::CertificateParts parts;
    if (der::splitCertificate(der, size, parts) != der::Error::None)
        return std::nullopt;
    return CertificateFields{parts.subject.bytes(), parts.issuer.bytes(),
                             parts.serialNumber.bytes()};
}

} // namespace softtoken
