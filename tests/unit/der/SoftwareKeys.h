#pragma once

// Key pairs of the software signers in the forms the DER layer takes, and a request signer
// over them: the stand-in for the token in the request tests.
#include "Gost2012.h"
#include "GostCrypto.h"
#include "GostKey.h"
#include "Request.h"
#include "Streebog.h"

#include <algorithm>

namespace dertest {

struct SoftwareKey {
    der::GostPublicKey publicKey;
    der::Bytes privateKey; // least significant byte first
};

inline gost::ParamSet2012 setOf(der::KeyAlgorithm algorithm) {
    return algorithm == der::KeyAlgorithm::Gost2012_512 ? gost::ParamSet2012::A512
                                                        : gost::ParamSet2012::A256;
}

// 2001 keys on CryptoPro-A, 2012 keys on the TC26 sets A.
inline SoftwareKey makeKey(der::KeyAlgorithm algorithm) {
    SoftwareKey key;
    key.publicKey.algorithm = algorithm;
    if (algorithm == der::KeyAlgorithm::Gost2001) {
        gost::Scalar d;
        gost::Point q;
        gost::generateKeyPair(gost::Curve::CryptoProA, d, q);
        key.privateKey.assign(d.begin(), d.end());
        key.publicKey.value.assign(q.x.begin(), q.x.end());
        key.publicKey.value.insert(key.publicKey.value.end(), q.y.begin(), q.y.end());
        key.publicKey.parameterSet = "1.2.643.2.2.35.1";
        return key;
    }
    const gost::ParamSet2012 set = setOf(algorithm);
    key.privateKey.resize(gost::keySize(set));
    key.publicKey.value.resize(2 * gost::keySize(set));
    gost::generateKeyPair2012(set, key.privateKey.data(), key.publicKey.value.data());
    key.publicKey.parameterSet = algorithm == der::KeyAlgorithm::Gost2012_512
                                     ? "1.2.643.7.1.2.1.2.1"
                                     : "1.2.643.7.1.2.1.1.1";
    return key;
}

// The digest the key's algorithm signs, as the hash gives it.
inline der::Bytes digestOf(der::KeyAlgorithm algorithm, const der::Bytes& data) {
    switch (algorithm) {
    case der::KeyAlgorithm::Gost2001: {
        const gost::Digest d = gost::hash3411(data.data(), data.size());
        return der::Bytes(d.begin(), d.end());
    }
    case der::KeyAlgorithm::Gost2012_256: {
        const gost::Digest256 d = gost::streebog256(data.data(), data.size());
        return der::Bytes(d.begin(), d.end());
    }
    case der::KeyAlgorithm::Gost2012_512: {
        const gost::Digest512 d = gost::streebog512(data.data(), data.size());
        return der::Bytes(d.begin(), d.end());
    }
    }
    return {};
}

// Hashes and signs as the token's GOST-with-digest mechanisms do, giving r and s most
// significant byte first (the signers keep theirs least significant byte first).
inline der::RequestSigner signerFor(const SoftwareKey& key) {
    return [key](const der::Bytes& data, der::Bytes& r, der::Bytes& s) {
        const der::KeyAlgorithm algorithm = key.publicKey.algorithm;
        const der::Bytes hash = digestOf(algorithm, data);
        const std::size_t size = der::keySize(algorithm);
        r.resize(size);
        s.resize(size);
        bool ok = false;
        if (algorithm == der::KeyAlgorithm::Gost2001) {
            gost::Scalar d, h, rs, ss;
            std::copy(key.privateKey.begin(), key.privateKey.end(), d.begin());
            std::copy(hash.begin(), hash.end(), h.begin());
            ok = gost::sign(gost::Curve::CryptoProA, d, h, rs, ss);
            std::copy(rs.begin(), rs.end(), r.begin());
            std::copy(ss.begin(), ss.end(), s.begin());
        } else {
            ok = gost::sign2012(setOf(algorithm), key.privateKey.data(), hash.data(), r.data(),
                                s.data());
        }
        std::reverse(r.begin(), r.end());
        std::reverse(s.begin(), s.end());
        return ok;
    };
}

// Whether the signature value (s then r, most significant byte first) is the key's over data.
inline bool verifies(const SoftwareKey& key, const der::Bytes& data, const der::Bytes& value) {
    const der::KeyAlgorithm algorithm = key.publicKey.algorithm;
    const std::size_t size = der::keySize(algorithm);
    if (value.size() != 2 * size)
        return false;
    der::Bytes s(value.rend() - size, value.rend()), r(value.rbegin(), value.rbegin() + size);
    const der::Bytes hash = digestOf(algorithm, data);
    if (algorithm != der::KeyAlgorithm::Gost2001)
        return gost::verify2012(setOf(algorithm), key.publicKey.value.data(), hash.data(), r.data(),
                                s.data());
    gost::Point q;
    gost::Scalar h, rs, ss;
    std::copy(key.publicKey.value.begin(), key.publicKey.value.begin() + 32, q.x.begin());
    std::copy(key.publicKey.value.begin() + 32, key.publicKey.value.end(), q.y.begin());
    std::copy(hash.begin(), hash.end(), h.begin());
    std::copy(r.begin(), r.end(), rs.begin());
    std::copy(s.begin(), s.end(), ss.begin());
    return gost::verify(gost::Curve::CryptoProA, q, h, rs, ss);
}

} // namespace dertest
