#include "Signature.h"

#include <algorithm>

namespace {

gost::Scalar scalar(Bytes::const_iterator from) {
    gost::Scalar s;
    std::copy(from, from + 32, s.begin());
    return s;
}

gost::Scalar reversed(Bytes::const_iterator from) {
    gost::Scalar s = scalar(from);
    std::reverse(s.begin(), s.end());
    return s;
}

} // namespace

bool tokenSignatureVerifies(const Bytes& publicKey, const Bytes& hash, const Bytes& signature) {
    if (publicKey.size() != 64 || hash.size() != 32 || signature.size() != 64)
        return false;
    const gost::Point key{scalar(publicKey.begin()), scalar(publicKey.begin() + 32)};
    const gost::Scalar s = reversed(signature.begin());
    const gost::Scalar r = reversed(signature.begin() + 32);
    return gost::verify(gost::Curve::CryptoProA, key, scalar(hash.begin()), r, s);
}

Bytes hashOf(const Bytes& data) {
    const gost::Digest digest = gost::hash3411(data.data(), data.size());
    return Bytes(digest.begin(), digest.end());
}
