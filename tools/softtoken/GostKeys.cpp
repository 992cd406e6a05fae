#include "GostKeys.h"

#include "SecureWipe.h"

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

std::optional<gost::Curve> curveOf(const Bytes& parameters) {
    // 1.2.643.2.2.35.x and 1.2.643.2.2.36.x: the DER prefix and the last arc.
    static const unsigned char prefix[] = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02};
    if (parameters.size() != sizeof prefix + 2 ||
        !std::equal(prefix, prefix + sizeof prefix, parameters.begin()))
        return std::nullopt;
    const unsigned arc = parameters[7], last = parameters[8];
    if (arc == 35 && last == 0)
        return gost::Curve::Test;
    if ((arc == 35 && last == 1) || (arc == 36 && last == 0))
        return gost::Curve::CryptoProA;
    if (arc == 35 && last == 2)
        return gost::Curve::CryptoProB;
    if ((arc == 35 && last == 3) || (arc == 36 && last == 1))
        return gost::Curve::CryptoProC;
    return std::nullopt;
}

CK_RV generateKeyPair(gost::Curve curve, Bytes& publicValue, Bytes& privateValue) {
    gost::Scalar d;
    gost::Point q;
    if (!gost::generateKeyPair(curve, d, q))
        return CKR_FUNCTION_FAILED;
    privateValue.assign(d.begin(), d.end());
    secureWipe(d.data(), d.size());
    publicValue.assign(q.x.begin(), q.x.end());
    publicValue.insert(publicValue.end(), q.y.begin(), q.y.end());
    return CKR_OK;
}

bool isValidPrivateValue(gost::Curve curve, const Bytes& privateValue) {
    if (privateValue.size() != 32)
        return false;
    WipedScalar d(privateValue);
    gost::Point q;
    return gost::publicKeyOf(curve, d.value, q);
}

CK_RV signHash(gost::Curve curve, const Bytes& privateValue, const unsigned char* hash,
               Bytes& signature) {
    if (privateValue.size() != 32)
        return CKR_KEY_HANDLE_INVALID;
    WipedScalar d(privateValue);
    gost::Scalar r, s;
    if (!gost::sign(curve, d.value, toScalar(hash), r, s))
        return CKR_FUNCTION_FAILED;
    signature.assign(s.rbegin(), s.rend());
    signature.insert(signature.end(), r.rbegin(), r.rend());
    return CKR_OK;
}

Bytes hashForSignature(const Bytes& data) {
    const gost::Digest digest = gost::hash3411(data.data(), data.size());
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

} // namespace softtoken
