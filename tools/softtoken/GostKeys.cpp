#include "GostKeys.h"

#include <Pkcs11Gost.h>
#include <SecureWipe.h>
#include <Streebog.h>
#include <algorithm>
#include <cstring>

namespace softtoken {

namespace {

gost::Scalar toScalar(const unsigned char* bytes) {
    gost::Scalar scalar;
    std::memcpy(scalar.data(), bytes, scalar.size());
    return scalar;
}

// Wipes a private scalar copy however the function leaves.
struct WipedScalar {
    gost::Scalar value;
    explicit WipedScalar(const Bytes& bytes) : value(toScalar(bytes.data())) {}
    ~WipedScalar() { secureWipe(value.data(), value.size()); }
};

} // namespace

gost::Curve KeyParameters::curve() const {
    switch (set) {
    case gost::ParamSet2012::Test256:
        return gost::Curve::Test;
    case gost::ParamSet2012::C256:
        return gost::Curve::CryptoProB;
    case gost::ParamSet2012::D256:
        return gost::Curve::CryptoProC;
    default:
        return gost::Curve::CryptoProA;
    }
}

std::optional<KeyParameters> keyParametersOf(CK_KEY_TYPE type, const Bytes& params,
                                             const Bytes* digestParams) {
    KeyParameters key;
    const auto algorithm = keyAlgorithmOf(type, params, digestParams, key.set);
    if (!algorithm)
        return std::nullopt;
    key.algorithm = *algorithm;
    return key;
}

std::optional<KeyParameters> keyParametersOf(const Object& key) {
    const Bytes* params = key.find(CKA_GOSTR3410_PARAMS);
    if (!params)
        return std::nullopt;
    return keyParametersOf(key.number(CKA_KEY_TYPE), *params, key.find(CKA_GOSTR3411_PARAMS));
}

CK_RV generateKeyPair(const KeyParameters& key, Bytes& publicValue, Bytes& privateValue) {
    if (key.is2012()) {
        privateValue.assign(key.size(), 0);
        publicValue.assign(2 * key.size(), 0);
        return gost::generateKeyPair2012(key.set, privateValue.data(), publicValue.data())
                   ? CKR_OK
                   : CKR_FUNCTION_FAILED;
    }
    gost::Scalar d;
    gost::Point q;
    if (!gost::generateKeyPair(key.curve(), d, q))
        return CKR_FUNCTION_FAILED;
    privateValue.assign(d.begin(), d.end());
    secureWipe(d.data(), d.size());
    publicValue.assign(q.x.begin(), q.x.end());
    publicValue.insert(publicValue.end(), q.y.begin(), q.y.end());
    return CKR_OK;
}

bool isValidPrivateValue(const KeyParameters& key, const Bytes& privateValue) {
    if (privateValue.size() != key.size())
        return false;
    if (key.is2012()) {
        Bytes publicValue(2 * key.size());
        return gost::publicKeyOf2012(key.set, privateValue.data(), publicValue.data());
    }
    WipedScalar d(privateValue);
    gost::Point q;
    return gost::publicKeyOf(key.curve(), d.value, q);
}

CK_RV signHash(const KeyParameters& key, const Bytes& privateValue, const unsigned char* hash,
               Bytes& signature) {
    const std::size_t size = key.size();
    if (privateValue.size() != size)
        return CKR_KEY_HANDLE_INVALID;
    Bytes r(size), s(size);
    if (key.is2012()) {
        if (!gost::sign2012(key.set, privateValue.data(), hash, r.data(), s.data()))
            return CKR_FUNCTION_FAILED;
    } else {
        WipedScalar d(privateValue);
        gost::Scalar r2001, s2001;
        if (!gost::sign(key.curve(), d.value, toScalar(hash), r2001, s2001))
            return CKR_FUNCTION_FAILED;
        r.assign(r2001.begin(), r2001.end());
        s.assign(s2001.begin(), s2001.end());
    }
    signature.assign(s.rbegin(), s.rend());
    signature.insert(signature.end(), r.rbegin(), r.rend());
    return CKR_OK;
}

Bytes hashForSignature(const KeyParameters& key, const Bytes& data) {
    if (key.algorithm == KeyAlgorithm::Gost2012_512) {
        const gost::Digest512 digest = gost::streebog512(data.data(), data.size());
        return Bytes(digest.begin(), digest.end());
    }
    const gost::Digest digest = key.is2012() ? gost::streebog256(data.data(), data.size())
                                             : gost::hash3411(data.data(), data.size());
    return Bytes(digest.begin(), digest.end());
}

CK_RV deriveKey(gost::Curve curve, const Bytes& privateValue, const Bytes& peer, const Bytes& ukm,
                CK_ULONG kdf, Bytes& key) {
    if (privateValue.size() != 32)
        return CKR_KEY_HANDLE_INVALID;
    if (peer.size() != 64 || ukm.size() != 8 || (kdf != CKD_NULL && kdf != CKD_CPDIVERSIFY_KDF))
        return CKR_MECHANISM_PARAM_INVALID;
    WipedScalar d(privateValue);
    gost::Point q{toScalar(peer.data()), toScalar(peer.data() + 32)};
    gost::Ukm material;
    std::copy(ukm.begin(), ukm.end(), material.begin());
    gost::Key256 kek;
    if (!gost::vko(curve, d.value, q, material, kek))
        return CKR_MECHANISM_PARAM_INVALID;
    if (kdf == CKD_CPDIVERSIFY_KDF) {
        gost::Key256 diversified = gost::cryptoProDiversify(kek, material);
        kek = diversified;
        secureWipe(diversified.data(), diversified.size());
    }
    key.assign(kek.begin(), kek.end());
    secureWipe(kek.data(), kek.size());
    return CKR_OK;
}

CK_RV deriveKey2012(const KeyParameters& key, const Bytes& privateValue, const Bytes& peer,
                    const Bytes& ukm, CK_ULONG kdf, Bytes& derived) {
    if (privateValue.size() != key.size())
        return CKR_KEY_HANDLE_INVALID;
    if (kdf != CKD_KDF_GOSTR3411_2012_256 || peer.size() != 2 * key.size() || ukm.empty() ||
        ukm.size() > key.size())
        return CKR_MECHANISM_PARAM_INVALID;
    derived.assign(32, 0);
    if (!gost::vko2012(key.set, privateValue.data(), peer.data(), ukm.data(), ukm.size(),
                       derived.size(), derived.data())) {
        secureWipe(derived.data(), derived.size());
        derived.clear();
        return CKR_MECHANISM_PARAM_INVALID;
    }
    return CKR_OK;
}

} // namespace softtoken
