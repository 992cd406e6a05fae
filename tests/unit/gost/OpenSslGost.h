#pragma once

// OpenSSL 3 with Debian's GOST engine (libengine-gost-openssl) on our byte conventions
// (numbers least significant byte first; a public key X||Y): the second independent side of
// the 2012 cross-checks and the benchmark. Keys reach the engine as DER, the way certificates
// and key files carry them: a SubjectPublicKeyInfo wraps X||Y in an OCTET STRING, a
// PrivateKeyInfo wraps d in one. Its signatures are s||r, most significant byte first; the hash
// it signs is the digest's byte string, read as a little-endian number as ours is.
#define OPENSSL_API_COMPAT 0x10100000L
#include <openssl/engine.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdint>
#include <vector>

#include "Gost2012.h"

namespace gost::openssl {

using Bytes = std::vector<std::uint8_t>;

// The engine, loaded once from OpenSSL's engine folder and made the default for everything;
// null when it is not installed.
inline ENGINE* engine() {
    static ENGINE* loaded = [] {
        ENGINE* e = ENGINE_by_id("gost");
        if (e && (!ENGINE_init(e) || !ENGINE_set_default(e, ENGINE_METHOD_ALL))) {
            ENGINE_free(e);
            e = nullptr;
        }
        return e;
    }();
    return loaded;
}

inline Bytes der(std::uint8_t tag, const Bytes& content) {
    Bytes out{tag};
    const std::size_t n = content.size();
    if (n < 0x80) {
        out.push_back(std::uint8_t(n));
    } else if (n < 0x100) {
        out.insert(out.end(), {0x81, std::uint8_t(n)});
    } else {
        out.insert(out.end(), {0x82, std::uint8_t(n >> 8), std::uint8_t(n)});
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

inline Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// AlgorithmIdentifier of a 2012 key: GOST R 34.10-2012 with 256 or 512 bits, its parameter
// set and the Streebog of its size.
inline Bytes algorithm(ParamSet2012 set) {
    const bool wide = keySize(set) == 64;
    const Bytes key = {0x06, 0x08, 0x2A, 0x85, 0x03,
                       0x07, 0x01, 0x01, 0x01, std::uint8_t(wide ? 2 : 1)};
    const Bytes digest = {0x06, 0x08, 0x2A, 0x85, 0x03,
                          0x07, 0x01, 0x01, 0x02, std::uint8_t(wide ? 3 : 2)};
    std::size_t length = 0;
    const std::uint8_t* oid = oidOf(set, length);
    const Bytes parameters = der(0x30, join({Bytes(oid, oid + length), digest}));
    return der(0x30, join({key, parameters}));
}

struct Key {
    EVP_PKEY* value = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() { EVP_PKEY_free(value); }
};

inline Bytes subjectPublicKeyInfo(ParamSet2012 set, const Bytes& xy) {
    const Bytes bitString = der(0x03, join({{0x00}, der(0x04, xy)}));
    return der(0x30, join({algorithm(set), bitString}));
}

inline bool publicKey(ParamSet2012 set, const Bytes& xy, Key& key) {
    const Bytes spki = subjectPublicKeyInfo(set, xy);
    const unsigned char* p = spki.data();
    key.value = d2i_PUBKEY(nullptr, &p, long(spki.size()));
    return key.value != nullptr;
}

inline bool privateKey(ParamSet2012 set, const Bytes& d, Key& key) {
    const Bytes info =
        der(0x30, join({{0x02, 0x01, 0x00}, algorithm(set), der(0x04, der(0x04, d))}));
    const unsigned char* p = info.data();
    PKCS8_PRIV_KEY_INFO* pkcs8 = d2i_PKCS8_PRIV_KEY_INFO(nullptr, &p, long(info.size()));
    if (!pkcs8)
        return false;
    key.value = EVP_PKCS82PKEY(pkcs8);
    PKCS8_PRIV_KEY_INFO_free(pkcs8);
    return key.value != nullptr;
}

// Big-endian s||r of the engine from our r and s, and back.
inline Bytes signatureOf(const Bytes& r, const Bytes& s) {
    Bytes out(s.rbegin(), s.rend());
    out.insert(out.end(), r.rbegin(), r.rend());
    return out;
}

inline void splitSignature(const Bytes& signature, Bytes& r, Bytes& s) {
    const std::size_t size = signature.size() / 2;
    s.assign(signature.rend() - size, signature.rend());
    r.assign(signature.rbegin(), signature.rbegin() + size);
}

inline bool verify(EVP_PKEY* key, const Bytes& hash, const Bytes& r, const Bytes& s) {
    const Bytes signature = signatureOf(r, s);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, engine());
    const bool ok =
        ctx && EVP_PKEY_verify_init(ctx) == 1 &&
        EVP_PKEY_verify(ctx, signature.data(), signature.size(), hash.data(), hash.size()) == 1;
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

inline bool sign(EVP_PKEY* key, const Bytes& hash, Bytes& r, Bytes& s) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, engine());
    Bytes signature(2 * hash.size());
    size_t length = signature.size();
    const bool ok = ctx && EVP_PKEY_sign_init(ctx) == 1 &&
                    EVP_PKEY_sign(ctx, signature.data(), &length, hash.data(), hash.size()) == 1 &&
                    length == signature.size();
    EVP_PKEY_CTX_free(ctx);
    if (ok)
        splitSignature(signature, r, s);
    return ok;
}

// The engine's key agreement of ours with peer under this UKM (8 bytes): VKO with the
// Streebog of its choice, the result as long as it makes it.
inline bool derive(EVP_PKEY* ours, EVP_PKEY* peer, const Bytes& ukm, Bytes& kek) {
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(ours, engine());
    size_t length = 0;
    bool ok = ctx && EVP_PKEY_derive_init(ctx) == 1 &&
              EVP_PKEY_CTX_ctrl(ctx, -1, -1, EVP_PKEY_CTRL_SET_IV, int(ukm.size()),
                                const_cast<std::uint8_t*>(ukm.data())) == 1 &&
              EVP_PKEY_derive_set_peer(ctx, peer) == 1 &&
              EVP_PKEY_derive(ctx, nullptr, &length) == 1;
    if (ok) {
        kek.resize(length);
        ok = EVP_PKEY_derive(ctx, kek.data(), &length) == 1;
        kek.resize(length);
    }
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

// The engine's Streebog-256 of data.
inline bool streebog256(const std::uint8_t* data, std::size_t size, std::uint8_t* digest) {
    const EVP_MD* md = ENGINE_get_digest(engine(), NID_id_GostR3411_2012_256);
    unsigned length = 0;
    return md && EVP_Digest(data, size, digest, &length, md, engine()) == 1 && length == 32;
}

} // namespace gost::openssl
