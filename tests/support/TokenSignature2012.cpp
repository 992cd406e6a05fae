#include "TokenSignature2012.h"

#include <Streebog.h>

using Bytes = std::vector<unsigned char>;

bool tokenSignature2012Verifies(gost::ParamSet2012 set, const Bytes& publicKey, const Bytes& hash,
                                const Bytes& signature) {
    const std::size_t n = gost::keySize(set);
    if (signature.size() != 2 * n || publicKey.size() != 2 * n || hash.size() != n)
        return false;
    const Bytes s(signature.rend() - n, signature.rend());
    const Bytes r(signature.rbegin(), signature.rbegin() + n);
    return gost::verify2012(set, publicKey.data(), hash.data(), r.data(), s.data());
}

Bytes streebogOf(std::size_t size, const Bytes& data) {
    gost::Streebog hash(size);
    hash.update(data.data(), data.size());
    Bytes digest(size);
    hash.finish(digest.data());
    return digest;
}

Bytes oidBytesOf(gost::ParamSet2012 set) {
    std::size_t length;
    const std::uint8_t* oid = gost::oidOf(set, length);
    return Bytes(oid, oid + length);
}

Bytes digestOidBytesOf(gost::ParamSet2012 set) {
    std::size_t length;
    const std::uint8_t* oid = gost::digestOidOf(set, length);
    return Bytes(oid, oid + length);
}
