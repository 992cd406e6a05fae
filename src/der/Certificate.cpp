#include "Certificate.h"

#include "GostKey.h"
#include "HexText.h"
#include "OidTable.h"

namespace der {

const char* const kKeyUsageNames[9] = {"digitalSignature", "nonRepudiation", "keyEncipherment",
                                       "dataEncipherment", "keyAgreement",   "keyCertSign",
                                       "cRLSign",          "encipherOnly",   "decipherOnly"};

Error splitCertificate(const std::uint8_t* der, std::size_t size, CertificateParts& parts) {
    Reader whole(der, size), certificate;
    if (const Error e = whole.read(kSequence, certificate); e != Error::None)
        return e;
    if (const Error e = whole.expectEnd(); e != Error::None)
        return e;
    CertificateParts out;
    if (const Error e = certificate.readElement(kSequence, out.tbs); e != Error::None)
        return e;
    if (const Error e = certificate.readElement(kSequence, out.signatureAlgorithm);
        e != Error::None)
        return e;
    if (const Error e = certificate.readElement(kBitString, out.signature); e != Error::None)
        return e;
    if (const Error e = certificate.expectEnd(); e != Error::None)
        return e;

    Reader fields = out.tbs, tbs;
    fields.read(kSequence, tbs);
    Reader version;
    bool present = false;
    if (const Error e = tbs.readOptional(contextTag(0, true), version, present); e != Error::None)
        return e;
    if (present) {
        std::uint64_t number = 0;
        if (const Error e = version.readUnsigned(number); e != Error::None)
            return e;
        if (!version.empty() || (number != 1 && number != 2))
            return Error::BadCertificate;
        out.version = static_cast<int>(number) + 1;
    }
    if (const Error e = tbs.readElement(kInteger, out.serialNumber); e != Error::None)
        return e;
    Reader serial = out.serialNumber, serialContents;
    serial.read(kInteger, serialContents);
    if (const Error e = checkInteger(serialContents.data(), serialContents.size());
        e != Error::None)
        return e;
    for (Reader* field : {&out.tbsSignatureAlgorithm, &out.issuer, &out.validity, &out.subject,
                          &out.subjectPublicKeyInfo})
        if (const Error e = tbs.readElement(kSequence, *field); e != Error::None)
            return e;
    Reader uniqueId;
    for (std::uint32_t number : {1u, 2u}) {
        if (const Error e = tbs.readOptional(contextTag(number, false), uniqueId, present);
            e != Error::None)
            return e;
        if (present && out.version < 2)
            return Error::BadCertificate;
    }
    Reader extensions;
    if (const Error e = tbs.readOptional(contextTag(3, true), extensions, present);
        e != Error::None)
        return e;
    if (present) {
        if (out.version < 3)
            return Error::BadCertificate;
        if (const Error e = extensions.read(kSequence, out.extensions); e != Error::None)
            return e;
        if (const Error e = extensions.expectEnd(); e != Error::None)
            return e;
    }
    if (const Error e = tbs.expectEnd(); e != Error::None)
        return e;
    parts = out;
    return Error::None;
}

namespace {

Error readAlgorithm(Reader element, std::string& oid) {
    Reader algorithm;
    element.read(kSequence, algorithm);
    if (const Error e = algorithm.readOid(oid); e != Error::None)
        return e;
    // The parameters are absent or NULL for the signature algorithms this layer meets; any
    // other stays unread.
    return Error::None;
}

Error readValidity(Reader element, Certificate& out) {
    Reader validity;
    element.read(kSequence, validity);
    if (const Error e = validity.readTime(out.notBefore); e != Error::None)
        return e;
    if (const Error e = validity.readTime(out.notAfter); e != Error::None)
        return e;
    return validity.expectEnd();
}

Error readKeyUsage(Reader value, Certificate& out) {
    Bytes bits;
    unsigned unused = 0;
    if (const Error e = value.readBitString(bits, unused); e != Error::None)
        return e;
    if (bits.size() > 2)
        return Error::BadExtension;
    out.keyUsage = 0;
    for (std::size_t bit = 0; bit < bits.size() * 8; ++bit)
        if (bits[bit / 8] & (0x80 >> (bit % 8)))
            out.keyUsage |= 1u << bit;
    if (out.keyUsage >> 9)
        return Error::BadExtension;
    out.hasKeyUsage = true;
    return value.expectEnd();
}

Error readExtendedKeyUsage(Reader value, Certificate& out) {
    Reader purposes;
    if (const Error e = value.read(kSequence, purposes); e != Error::None)
        return e;
    if (purposes.empty())
        return Error::BadExtension;
    while (!purposes.empty()) {
        std::string oid;
        if (const Error e = purposes.readOid(oid); e != Error::None)
            return e;
        out.extendedKeyUsage.push_back(oid);
    }
    return value.expectEnd();
}

Error readBasicConstraints(Reader value, Certificate& out) {
    Reader constraints, field;
    if (const Error e = value.read(kSequence, constraints); e != Error::None)
        return e;
    if (const Error e = constraints.readDefaultFalse(out.isCa); e != Error::None)
        return e;
    bool present = false;
    Reader copy = constraints;
    if (const Error e = copy.readOptional(kInteger, field, present); e != Error::None)
        return e;
    if (present) {
        std::uint64_t length = 0;
        if (const Error e = constraints.readUnsigned(length); e != Error::None)
            return e;
        if (length > 255)
            return Error::BadExtension;
        out.pathLength = static_cast<int>(length);
    }
    out.hasBasicConstraints = true;
    if (const Error e = constraints.expectEnd(); e != Error::None)
        return e;
    return value.expectEnd();
}

Error readExtensions(Reader list, Certificate& out) {
    while (!list.empty()) {
        Reader extension;
        Extension x;
        if (const Error e = list.read(kSequence, extension); e != Error::None)
            return e;
        if (const Error e = extension.readOid(x.oid); e != Error::None)
            return e;
        if (const Error e = extension.readDefaultFalse(x.critical); e != Error::None)
            return e;
        if (const Error e = extension.readOctetString(x.value); e != Error::None)
            return e;
        if (const Error e = extension.expectEnd(); e != Error::None)
            return e;
        for (const Extension& earlier : out.extensions)
            if (earlier.oid == x.oid)
                return Error::DuplicateExtension;
        const Reader value(x.value);
        Error e = Error::None;
        if (x.oid == oid::kKeyUsage)
            e = readKeyUsage(value, out);
        else if (x.oid == oid::kExtendedKeyUsage)
            e = readExtendedKeyUsage(value, out);
        else if (x.oid == oid::kBasicConstraints)
            e = readBasicConstraints(value, out);
        if (e != Error::None)
            return e;
        out.extensions.push_back(x);
    }
    return Error::None;
}

std::string serialText(Reader element) {
    Reader contents;
    element.read(kInteger, contents);
    Bytes bytes = contents.bytes();
    if (bytes.size() > 1 && bytes[0] == 0)
        bytes.erase(bytes.begin());
    return hexText(bytes);
}

} // namespace

Error parseCertificate(const std::uint8_t* der, std::size_t size, Certificate& certificate) {
    CertificateParts parts;
    if (const Error e = splitCertificate(der, size, parts); e != Error::None)
        return e;
    Certificate out;
    out.version = parts.version;
    out.serialHex = serialText(parts.serialNumber);
    std::string inner;
    if (const Error e = readAlgorithm(parts.tbsSignatureAlgorithm, inner); e != Error::None)
        return e;
    if (const Error e = readAlgorithm(parts.signatureAlgorithm, out.signatureAlgorithm);
        e != Error::None)
        return e;
    if (parts.tbsSignatureAlgorithm.bytes() != parts.signatureAlgorithm.bytes())
        return Error::BadCertificate;
    Reader issuer = parts.issuer, subject = parts.subject;
    if (const Error e = readName(issuer, out.issuer); e != Error::None)
        return e;
    if (const Error e = readName(subject, out.subject); e != Error::None)
        return e;
    if (const Error e = readValidity(parts.validity, out); e != Error::None)
        return e;
    SubjectPublicKey key;
    if (const Error e = readSubjectPublicKeyInfo(parts.subjectPublicKeyInfo, key); e != Error::None)
        return e;
    out.publicKeyAlgorithm = key.algorithm;
    out.parameterSet = key.parameterSet;
    out.digestAlgorithm = key.digestAlgorithm;
    out.publicKey = key.value;
    if (const Error e = readExtensions(parts.extensions, out); e != Error::None)
        return e;
    out.tbs = parts.tbs.bytes();
    unsigned unused = 0;
    Reader signature = parts.signature;
    if (const Error e = signature.readBitString(out.signature, unused); e != Error::None)
        return e;
    if (unused != 0)
        return Error::BadBitString;
    certificate = out;
    return Error::None;
}

} // namespace der
