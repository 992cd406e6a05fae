#pragma once

// libgcrypt's GOST R 34.10-2001, GOST R 34.11-94 and VKO on our byte conventions (numbers 32
// bytes, least significant byte first): the independent side of the cross-checks and the
// benchmark. Every function returns false when libgcrypt refuses.
#include <cstring>
#include <gcrypt.h>
#include <vector>

#include "GostCrypto.h"

namespace gost::gcrypt {

inline bool initialize() {
    if (!gcry_check_version(nullptr))
        return false;
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
}

inline const char* curveName(Curve curve) {
    switch (curve) {
    case Curve::Test:
        return "GOST2001-test";
    case Curve::CryptoProA:
        return "GOST2001-CryptoPro-A";
    case Curve::CryptoProB:
        return "GOST2001-CryptoPro-B";
    case Curve::CryptoProC:
        return "GOST2001-CryptoPro-C";
    }
    return "";
}

struct Mpi {
    gcry_mpi_t value = nullptr;
    Mpi() = default;
    explicit Mpi(gcry_mpi_t v) : value(v) {}
    Mpi(const Mpi&) = delete;
    Mpi& operator=(const Mpi&) = delete;
    ~Mpi() { gcry_mpi_release(value); }
};

struct Sexp {
    gcry_sexp_t value = nullptr;
    Sexp() = default;
    Sexp(const Sexp&) = delete;
    Sexp& operator=(const Sexp&) = delete;
    ~Sexp() { gcry_sexp_release(value); }
};

struct Context {
    gcry_ctx_t value = nullptr;
    explicit Context(Curve curve) { gcry_mpi_ec_new(&value, nullptr, curveName(curve)); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    ~Context() { gcry_ctx_release(value); }
};

inline gcry_mpi_t mpiOf(const Scalar& little) {
    Scalar big;
    for (int i = 0; i < 32; ++i)
        big[i] = little[31 - i];
    gcry_mpi_t m = nullptr;
    gcry_mpi_scan(&m, GCRYMPI_FMT_USG, big.data(), 32, nullptr);
    return m;
}

inline bool scalarOf(gcry_mpi_t m, Scalar& little) {
    unsigned char buffer[64] = {};
    size_t written = 0;
    if (gcry_mpi_print(GCRYMPI_FMT_USG, buffer, sizeof buffer, &written, m) || written > 32)
        return false;
    little.fill(0);
    for (size_t i = 0; i < written; ++i)
        little[i] = buffer[written - 1 - i];
    return true;
}

// The public key as libgcrypt takes it: 04, X, Y, most significant byte first.
inline std::vector<std::uint8_t> uncompressed(const Point& p) {
    std::vector<std::uint8_t> q{4};
    for (const Scalar* c : {&p.x, &p.y})
        for (int i = 31; i >= 0; --i)
            q.push_back((*c)[i]);
    return q;
}

// k·base, or k·P for the curve's base point P when base is null.
inline bool multiply(Curve curve, const Scalar& k, const Point* base, Point& out) {
    Context ctx(curve);
    if (!ctx.value)
        return false;
    gcry_mpi_point_t point;
    if (base) {
        point = gcry_mpi_point_new(0);
        Mpi x(mpiOf(base->x)), y(mpiOf(base->y)), z(gcry_mpi_set_ui(nullptr, 1));
        gcry_mpi_point_set(point, x.value, y.value, z.value);
    } else {
        point = gcry_mpi_ec_get_point("g", ctx.value, 1);
    }
    gcry_mpi_point_t result = gcry_mpi_point_new(0);
    Mpi scalar(mpiOf(k));
    gcry_mpi_ec_mul(result, scalar.value, point, ctx.value);
    Mpi x(gcry_mpi_new(0)), y(gcry_mpi_new(0));
    const bool ok = gcry_mpi_ec_get_affine(x.value, y.value, result, ctx.value) == 0 &&
                    scalarOf(x.value, out.x) && scalarOf(y.value, out.y);
    gcry_mpi_point_release(result);
    gcry_mpi_point_release(point);
    return ok;
}

inline bool makePublicKey(Curve curve, const Point& q, Sexp& key) {
    const std::vector<std::uint8_t> qBytes = uncompressed(q);
    return gcry_sexp_build(&key.value, nullptr, "(public-key(ecc(curve %s)(q %b)))",
                           curveName(curve), int(qBytes.size()), qBytes.data()) == 0;
}

inline bool makePrivateKey(Curve curve, const Scalar& d, const Point& q, Sexp& key) {
    const std::vector<std::uint8_t> qBytes = uncompressed(q);
    Mpi dm(mpiOf(d));
    return gcry_sexp_build(&key.value, nullptr, "(private-key(ecc(curve %s)(q %b)(d %m)))",
                           curveName(curve), int(qBytes.size()), qBytes.data(), dm.value) == 0;
}

// The hash as the number e, without hashing again.
inline bool makeData(const Scalar& hash, Sexp& data) {
    Mpi e(mpiOf(hash));
    return gcry_sexp_build(&data.value, nullptr, "(data(flags gost)(value %m))", e.value) == 0;
}

inline bool verify(const Sexp& publicKey, const Sexp& data, const Scalar& r, const Scalar& s) {
    Sexp sig;
    Mpi rm(mpiOf(r)), sm(mpiOf(s));
    return gcry_sexp_build(&sig.value, nullptr, "(sig-val(gost(r %m)(s %m)))", rm.value,
                           sm.value) == 0 &&
           gcry_pk_verify(sig.value, data.value, publicKey.value) == 0;
}

inline bool sign(const Sexp& privateKey, const Sexp& data, Scalar& r, Scalar& s) {
    Sexp sig;
    if (gcry_pk_sign(&sig.value, data.value, privateKey.value))
        return false;
    for (auto [name, out] : {std::pair{"r", &r}, std::pair{"s", &s}}) {
        Sexp part;
        part.value = gcry_sexp_find_token(sig.value, name, 0);
        if (!part.value)
            return false;
        Mpi m(gcry_sexp_nth_mpi(part.value, 1, GCRYMPI_FMT_USG));
        if (!scalarOf(m.value, *out))
            return false;
    }
    return true;
}

// VKO GOST R 34.10-2001 from libgcrypt's modular and point arithmetic and its GOST R 34.11-94.
inline bool vko(Curve curve, const Scalar& d, const Point& peer, const Ukm& ukm, Key256& kek) {
    Scalar t;
    {
        Context ctx(curve);
        if (!ctx.value)
            return false;
        Mpi q(gcry_mpi_ec_get_mpi("n", ctx.value, 1));
        Scalar ukmScalar{};
        std::memcpy(ukmScalar.data(), ukm.data(), ukm.size());
        Mpi dm(mpiOf(d)), um(mpiOf(ukmScalar)), product(gcry_mpi_new(0));
        gcry_mpi_mulm(product.value, dm.value, um.value, q.value);
        if (!scalarOf(product.value, t))
            return false;
    }
    Point k;
    if (!multiply(curve, t, &peer, k))
        return false;
    std::uint8_t shared[64];
    std::memcpy(shared, k.x.data(), 32);
    std::memcpy(shared + 32, k.y.data(), 32);
    gcry_md_hash_buffer(GCRY_MD_GOSTR3411_CP, kek.data(), shared, sizeof shared);
    return true;
}

} // namespace gost::gcrypt
