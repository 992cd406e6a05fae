#include "GostKey.h"

#include "OidTable.h"

namespace der {

namespace {

bool isGost(const std::string& algorithm, std::size_t& size) {
    size = algorithm == oid::kGost2012_512 ? 64 : 32;
    return algorithm == oid::kGost2001 || algorithm == oid::kGost2012_256 ||
           algorithm == oid::kGost2012_512;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

const char* const kCryptoProSets[] = {"1.2.643.2.2.35.1", "1.2.643.2.2.35.2", "1.2.643.2.2.35.3",
                                      "1.2.643.2.2.36.0", "1.2.643.2.2.36.1"};
const char* const kTc26Sets256[] = {"1.2.643.7.1.2.1.1.1", "1.2.643.7.1.2.1.1.2",
                                    "1.2.643.7.1.2.1.1.3", "1.2.643.7.1.2.1.1.4"};
const char* const kTc26Sets512[] = {"1.2.643.7.1.2.1.2.1", "1.2.643.7.1.2.1.2.2",
                                    "1.2.643.7.1.2.1.2.3"};

template <std::size_t N> bool among(const std::string& set, const char* const (&sets)[N]) {
    for (const char* s : sets)
        if (set == s)
            return true;
    return false;
}

} // namespace

Error readSubjectPublicKeyInfo(Reader element, SubjectPublicKey& key) {
    Reader info, algorithm;
    if (const Error e = element.read(kSequence, info); e != Error::None)
        return e;
    if (const Error e = info.read(kSequence, algorithm); e != Error::None)
        return e;
    SubjectPublicKey out;
    if (const Error e = algorithm.readOid(out.algorithm); e != Error::None)
        return e;
    std::size_t size = 0;
    const bool gost = isGost(out.algorithm, size);
    if (gost) {
        // SEQUENCE { publicKeyParamSet, digestParamSet OPTIONAL, encryptionParamSet OPTIONAL }
        Reader parameters;
        if (const Error e = algorithm.read(kSequence, parameters); e != Error::None)
            return e == Error::UnexpectedTag || e == Error::Truncated ? Error::BadPublicKey : e;
        if (const Error e = parameters.readOid(out.parameterSet); e != Error::None)
            return e;
        std::string encryption;
        for (std::string* optional : {&out.digestAlgorithm, &encryption})
            if (!parameters.empty())
                if (const Error e = parameters.readOid(*optional); e != Error::None)
                    return e;
        if (const Error e = parameters.expectEnd(); e != Error::None)
            return e;
        if (const Error e = algorithm.expectEnd(); e != Error::None)
            return e;
    } else {
        // Of other keys' parameters, an elliptic curve's identifier is kept; the rest unread.
        Reader probe = algorithm;
        std::string curve;
        if (probe.readOid(curve) == Error::None && probe.empty())
            out.parameterSet = curve;
    }
    unsigned unused = 0;
    Bytes bits;
    if (const Error e = info.readBitString(bits, unused); e != Error::None)
        return e;
    if (const Error e = info.expectEnd(); e != Error::None)
        return e;
    if (!gost) {
        out.value = bits;
        key = out;
        return Error::None;
    }
    Reader inner(bits);
    if (unused != 0 || inner.readOctetString(out.value) != Error::None || !inner.empty() ||
        out.value.size() != 2 * size)
        return Error::BadPublicKey;
    key = out;
    return Error::None;
}

namespace {

struct Algorithm {
    KeyAlgorithm algorithm;
    const char* key;
    const char* signature;
};

const Algorithm kAlgorithms[] = {
    {KeyAlgorithm::Gost2001, oid::kGost2001, oid::kGost3411_94WithGost2001},
    {KeyAlgorithm::Gost2012_256, oid::kGost2012_256, oid::kSignWithStreebog256},
    {KeyAlgorithm::Gost2012_512, oid::kGost2012_512, oid::kSignWithStreebog512},
};

const Algorithm& entryOf(KeyAlgorithm algorithm) {
    for (const Algorithm& entry : kAlgorithms)
        if (entry.algorithm == algorithm)
            return entry;
    return kAlgorithms[0];
}

} // namespace

std::size_t keySize(KeyAlgorithm algorithm) {
    return algorithm == KeyAlgorithm::Gost2012_512 ? 64 : 32;
}

const char* keyAlgorithmOid(KeyAlgorithm algorithm) {
    return entryOf(algorithm).key;
}

const char* signatureAlgorithmOid(KeyAlgorithm algorithm) {
    return entryOf(algorithm).signature;
}

Error checkPublicKey(const GostPublicKey& key) {
    const std::string& set = key.parameterSet;
    bool known = false;
    switch (key.algorithm) {
    case KeyAlgorithm::Gost2001:
        known = among(set, kCryptoProSets);
        break;
    case KeyAlgorithm::Gost2012_256:
        known = among(set, kCryptoProSets) || among(set, kTc26Sets256);
        break;
    case KeyAlgorithm::Gost2012_512:
        known = among(set, kTc26Sets512);
        break;
    }
    if (!known)
        return Error::UnknownParameterSet;
    if (key.value.size() != 2 * keySize(key.algorithm))
        return Error::BadPublicKey;
    return Error::None;
}

void writeSubjectPublicKeyInfo(Builder& out, const GostPublicKey& key) {
    out.add(kSequence, [&] {
        out.add(kSequence, [&] {
            out.addOid(keyAlgorithmOid(key.algorithm));
            out.add(kSequence, [&] {
                out.addOid(key.parameterSet);
                if (key.algorithm == KeyAlgorithm::Gost2001)
                    out.addOid(oid::kGost3411_94CryptoProParamSet);
                else if (key.algorithm == KeyAlgorithm::Gost2012_256 &&
                         startsWith(key.parameterSet, "1.2.643.2.2."))
                    out.addOid(oid::kStreebog256);
            });
        });
        Builder inner;
        inner.addOctetString(key.value);
        Bytes octetString;
        inner.finish(octetString);
        out.addBitString(octetString);
    });
}

Bytes signatureValue(const Bytes& r, const Bytes& s) {
    Bytes out = s;
    out.insert(out.end(), r.begin(), r.end());
    return out;
}

} // namespace der
