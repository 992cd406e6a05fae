// Bytes that claim to be DER, a certificate above all, as a token or a page hands one over.
// What the reader accepts is built again, element by element, into the same bytes; a
// certificate the view accepts is rebuilt from its parts and its names.
#include "Builder.h"
#include "Certificate.h"
#include "Reader.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Writes the elements of the reader again: constructed ones from their elements where their
// contents are elements, every other as its contents. False where the reader refuses.
bool rebuild(der::Reader in, der::Builder& out, int depth) {
    while (!in.empty()) {
        der::Tag tag = 0;
        der::Reader contents;
        if (in.readAny(tag, contents) != der::Error::None)
            return false;
        out.open(tag);
        der::Builder inner;
        if ((tag & der::kConstructed) && depth < 64 && rebuild(contents, inner, depth + 1)) {
            der::Bytes bytes;
            inner.finish(bytes);
            out.addEncoded(bytes);
        } else {
            out.addEncoded(contents.bytes());
        }
        out.close();
    }
    return true;
}

void checkCertificate(const std::uint8_t* data, std::size_t size) {
    der::Certificate certificate;
    if (der::parseCertificate(data, size, certificate) != der::Error::None)
        return;
    der::CertificateParts parts;
    if (der::splitCertificate(data, size, parts) != der::Error::None)
        std::abort();
    der::Builder again;
    again.add(der::kSequence, [&] {
        again.addEncoded(certificate.tbs);
        again.addEncoded(parts.signatureAlgorithm.bytes());
        again.addBitString(certificate.signature);
    });
    for (const auto& [name, element] : {std::make_pair(&certificate.issuer, &parts.issuer),
                                        std::make_pair(&certificate.subject, &parts.subject)}) {
        der::Builder written;
        der::writeName(written, *name);
        der::Bytes bytes;
        if (written.finish(bytes) != der::Error::None || bytes != element->bytes())
            std::abort();
    }
    der::Bytes bytes;
    if (again.finish(bytes) != der::Error::None || bytes != der::Bytes(data, data + size))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    der::Builder out;
    if (rebuild(der::Reader(data, size), out, 0)) {
        der::Bytes bytes;
        if (out.finish(bytes) != der::Error::None || bytes != der::Bytes(data, data + size))
            std::abort();
    }
    checkCertificate(data, size);
    return 0;
}
