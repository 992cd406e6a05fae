#include "Request.h"

#include "OidTable.h"
#include "Strings.h"

namespace der {

namespace {

void writeExtension(Builder& out, const char* oid, bool critical, const Bytes& value) {
    out.add(kSequence, [&] {
        out.addOid(oid);
        if (critical)
            out.addBoolean(true);
        out.addOctetString(value);
    });
}

// The value of one extension: what `contents` writes, as one DER element.
template <class Contents> Bytes extensionValue(Builder& parent, Contents&& contents) {
    Builder value;
    contents(value);
    Bytes bytes;
    if (const Error e = value.finish(bytes); e != Error::None)
        parent.fail(e);
    return bytes;
}

void writeExtensions(Builder& out, const RequestedExtensions& x) {
    out.add(kSequence, [&] {
        if (x.keyUsage)
            writeExtension(out, oid::kKeyUsage, true,
                           extensionValue(out, [&](Builder& b) { b.addNamedBits(x.keyUsage); }));
        if (!x.extendedKeyUsage.empty())
            writeExtension(out, oid::kExtendedKeyUsage, false, extensionValue(out, [&](Builder& b) {
                               b.add(kSequence, [&] {
                                   for (const std::string& purpose : x.extendedKeyUsage)
                                       b.addOid(purpose);
                               });
                           }));
        if (!x.subjectSignTool.empty())
            writeExtension(out, oid::kSubjectSignTool, false, extensionValue(out, [&](Builder& b) {
                               b.addString(kUtf8String, x.subjectSignTool);
                           }));
        if (!x.certificatePolicies.empty())
            writeExtension(out, oid::kCertificatePolicies, false,
                           extensionValue(out, [&](Builder& b) {
                               b.add(kSequence, [&] {
                                   for (const std::string& policy : x.certificatePolicies)
                                       b.add(kSequence, [&] { b.addOid(policy); });
                               });
                           }));
    });
}

Error checkExtensions(const RequestedExtensions& x) {
    if (x.keyUsage >> 9)
        return Error::BadExtension;
    if (characterCount(x.subjectSignTool) > 200)
        return Error::ValueTooLong;
    return Error::None;
}

bool asksForAny(const RequestedExtensions& x) {
    return x.keyUsage || !x.extendedKeyUsage.empty() || !x.subjectSignTool.empty() ||
           !x.certificatePolicies.empty();
}

} // namespace

Error buildRequest(const Name& subject, const GostPublicKey& key,
                   const RequestedExtensions& extensions, const RequestSigner& sign, Bytes& der) {
    if (const Error e = checkPublicKey(key); e != Error::None)
        return e;
    if (const Error e = checkExtensions(extensions); e != Error::None)
        return e;
    Builder info;
    info.add(kSequence, [&] {
        info.addUnsigned(0); // version 1
        writeName(info, subject);
        writeSubjectPublicKeyInfo(info, key);
        info.add(contextTag(0, true), [&] {
            if (!asksForAny(extensions))
                return;
            info.add(kSequence, [&] {
                info.addOid(oid::kExtensionRequest);
                info.addSetOf([&] { writeExtensions(info, extensions); });
            });
        });
    });
    Bytes toBeSigned;
    if (const Error e = info.finish(toBeSigned); e != Error::None)
        return e;

    Bytes r, s;
    const std::size_t size = keySize(key.algorithm);
    if (!sign || !sign(toBeSigned, r, s) || r.size() != size || s.size() != size)
        return Error::SigningFailed;
    Builder request;
    request.add(kSequence, [&] {
        request.addEncoded(toBeSigned);
        request.add(kSequence, [&] { request.addOid(signatureAlgorithmOid(key.algorithm)); });
        request.addBitString(signatureValue(r, s));
    });
    return request.finish(der);
}

std::string toPem(const Bytes& der, const std::string& label) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;
    for (std::size_t i = 0; i < der.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, der.size() - i);
        std::uint32_t group = std::uint32_t(der[i]) << 16;
        if (n > 1)
            group |= std::uint32_t(der[i + 1]) << 8;
        if (n > 2)
            group |= der[i + 2];
        for (std::size_t k = 0; k < 4; ++k)
            base64 += k <= n ? alphabet[group >> (18 - 6 * k) & 0x3F] : '=';
    }
    std::string pem = "-----BEGIN " + label + "-----\n";
    for (std::size_t i = 0; i < base64.size(); i += 64)
        pem += base64.substr(i, 64) + "\n";
    return pem + "-----END " + label + "-----\n";
}

} // namespace der
