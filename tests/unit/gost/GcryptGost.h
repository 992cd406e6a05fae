#pragma once

// libgcrypt's GOST R 34.10-2001/2012, GOST R 34.11-94, Streebog and VKO on our byte
// conventions (numbers least significant byte first, 32 or 64 bytes): the independent side of
// the cross-checks and the benchmark. Every function returns false when libgcrypt refuses.
#include <algorithm>
#include <cstring>
#include <gcrypt.h>
#include <string>
#include <vector>

#include "Gost2012.h"
#include "GostCrypto.h"

namespace gost::gcrypt {

using Bytes = std::vector<std::uint8_t>;

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

inline const char* curveName(ParamSet2012 set) {
    switch (set) {
    case ParamSet2012::Test256:
        return "GOST2001-test";
    case ParamSet2012::A256:
        return "GOST2012-256-A";
    case ParamSet2012::B256:
        return "GOST2012-256-tc26-B";
    case ParamSet2012::C256:
        return "GOST2012-256-tc26-C";
    case ParamSet2012::D256:
        return "GOST2012-256-tc26-D";
    case ParamSet2012::Test512:
        return "GOST2012-512-test";
    case ParamSet2012::A512:
        return "GOST2012-512-tc26-A";
    case ParamSet2012::B512:
        return "GOST2012-512-tc26-B";
    case ParamSet2012::C512:
        return "GOST2012-512-tc26-C";
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
    explicit Context(const char* curve) { gcry_mpi_ec_new(&value, nullptr, curve); }
    explicit Context(Curve curve) : Context(curveName(curve)) {}
    explicit Context(ParamSet2012 set) : Context(curveName(set)) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    ~Context() { gcry_ctx_release(value); }
};

// A number (Scalar or Bytes) least significant byte first, as an MPI.
template <typename Number> gcry_mpi_t mpiOf(const Number& little) {
    const Bytes big(little.rbegin(), little.rend());
    gcry_mpi_t m = nullptr;
    gcry_mpi_scan(&m, GCRYMPI_FMT_USG, big.data(), big.size(), nullptr);
    return m;
}

// The MPI into a number of little's size; false when it does not fit.
template <typename Number> bool numberOf(gcry_mpi_t m, Number& little) {
    unsigned char buffer[128] = {};
    size_t written = 0;
    if (gcry_mpi_print(GCRYMPI_FMT_USG, buffer, sizeof buffer, &written, m) ||
        written > little.size())
        return false;
    std::fill(little.begin(), little.end(), 0);
    for (size_t i = 0; i < written; ++i)
        little[i] = buffer[written - 1 - i];
    return true;
}

inline bool scalarOf(gcry_mpi_t m, Scalar& little) {
    return numberOf(m, little);
}

// A number as printed: upper-case hexadecimal digits without leading zeros.
inline std::string textOf(gcry_mpi_t m) {
    unsigned char* hex = nullptr;
    if (!m || gcry_mpi_aprint(GCRYMPI_FMT_HEX, &hex, nullptr, m))
        return "";
    std::string text(reinterpret_cast<char*>(hex));
    gcry_free(hex);
    text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
    return text;
}

// A point as X||Y, each coordinate size bytes least significant first.
inline Bytes joined(const Point& p) {
    Bytes xy(p.x.begin(), p.x.end());
    xy.insert(xy.end(), p.y.begin(), p.y.end());
    return xy;
}

// The public key as libgcrypt takes it: 04, X, Y, most significant byte first.
inline Bytes uncompressed(const Bytes& xy) {
    const std::size_t size = xy.size() / 2;
    Bytes out{4};
    for (std::size_t half = 0; half < 2; ++half)
        for (std::size_t i = size; i-- > 0;)
            out.push_back(xy[half * size + i]);
    return out;
}

// k·P for a point P given as X||Y, or k·G when xy is null; out is X||Y.
template <typename Number>
bool multiplyXY(const char* curve, const Number& k, const Bytes* xy, Bytes& out) {
    Context ctx(curve);
    if (!ctx.value)
        return false;
    const std::size_t size = k.size();
    gcry_mpi_point_t point;
    if (xy) {
        point = gcry_mpi_point_new(0);
        Mpi x(mpiOf(Bytes(xy->begin(), xy->begin() + size))),
            y(mpiOf(Bytes(xy->begin() + size, xy->end()))), z(gcry_mpi_set_ui(nullptr, 1));
        gcry_mpi_point_set(point, x.value, y.value, z.value);
    } else {
        point = gcry_mpi_ec_get_point("g", ctx.value, 1);
    }
    gcry_mpi_point_t result = gcry_mpi_point_new(0);
    Mpi scalar(mpiOf(k));
    gcry_mpi_ec_mul(result, scalar.value, point, ctx.value);
    Mpi x(gcry_mpi_new(0)), y(gcry_mpi_new(0));
    Bytes bx(size), by(size);
    const bool ok = gcry_mpi_ec_get_affine(x.value, y.value, result, ctx.value) == 0 &&
                    numberOf(x.value, bx) && numberOf(y.value, by);
    gcry_mpi_point_release(result);
    gcry_mpi_point_release(point);
    out = bx;
    out.insert(out.end(), by.begin(), by.end());
    return ok;
}

// k·base, or k·P for the curve's base point P when base is null.
inline bool multiply(Curve curve, const Scalar& k, const Point* base, Point& out) {
    const Bytes xy = base ? joined(*base) : Bytes();
    Bytes result;
    if (!multiplyXY(curveName(curve), k, base ? &xy : nullptr, result))
        return false;
    std::copy(result.begin(), result.begin() + 32, out.x.begin());
    std::copy(result.begin() + 32, result.end(), out.y.begin());
    return true;
}

inline bool makePublicKey(const char* curve, const Bytes& xy, Sexp& key) {
    const Bytes q = uncompressed(xy);
    return gcry_sexp_build(&key.value, nullptr, "(public-key(ecc(curve %s)(q %b)))", curve,
                           int(q.size()), q.data()) == 0;
}

inline bool makePublicKey(Curve curve, const Point& q, Sexp& key) {
    return makePublicKey(curveName(curve), joined(q), key);
}

template <typename Number>
bool makePrivateKey(const char* curve, const Number& d, const Bytes& xy, Sexp& key) {
    const Bytes q = uncompressed(xy);
    Mpi dm(mpiOf(d));
    return gcry_sexp_build(&key.value, nullptr, "(private-key(ecc(curve %s)(q %b)(d %m)))", curve,
                           int(q.size()), q.data(), dm.value) == 0;
}

inline bool makePrivateKey(Curve curve, const Scalar& d, const Point& q, Sexp& key) {
    return makePrivateKey(curveName(curve), d, joined(q), key);
}

// The hash as the number e, without hashing again.
template <typename Number> bool makeData(const Number& hash, Sexp& data) {
    Mpi e(mpiOf(hash));
    return gcry_sexp_build(&data.value, nullptr, "(data(flags gost)(value %m))", e.value) == 0;
}

template <typename Number>
bool verify(const Sexp& publicKey, const Sexp& data, const Number& r, const Number& s) {
    Sexp sig;
    Mpi rm(mpiOf(r)), sm(mpiOf(s));
    return gcry_sexp_build(&sig.value, nullptr, "(sig-val(gost(r %m)(s %m)))", rm.value,
                           sm.value) == 0 &&
           gcry_pk_verify(sig.value, data.value, publicKey.value) == 0;
}

template <typename Number>
bool sign(const Sexp& privateKey, const Sexp& data, Number& r, Number& s) {
    Sexp sig;
    if (gcry_pk_sign(&sig.value, data.value, privateKey.value))
        return false;
    for (auto [name, out] : {std::pair{"r", &r}, std::pair{"s", &s}}) {
        Sexp part;
        part.value = gcry_sexp_find_token(sig.value, name, 0);
        if (!part.value)
            return false;
        Mpi m(gcry_sexp_nth_mpi(part.value, 1, GCRYMPI_FMT_USG));
        if (!numberOf(m.value, *out))
            return false;
    }
    return true;
}

// t = factor·d·ukm mod q, the scalar of VKO, with the UKM zero-extended to d's size.
template <typename Number>
bool vkoScalar(Context& ctx, unsigned long factor, const Number& d, const std::uint8_t* ukm,
               std::size_t ukmSize, Number& t) {
    if (!ctx.value)
        return false;
    Bytes ukmNumber(d.size(), 0);
    std::copy(ukm, ukm + ukmSize, ukmNumber.begin());
    Mpi q(gcry_mpi_ec_get_mpi("n", ctx.value, 1)), f(gcry_mpi_set_ui(nullptr, factor));
    Mpi dm(mpiOf(d)), um(mpiOf(ukmNumber)), product(gcry_mpi_new(0));
    gcry_mpi_mulm(product.value, dm.value, um.value, q.value);
    gcry_mpi_mulm(product.value, product.value, f.value, q.value);
    return numberOf(product.value, t);
}

// VKO GOST R 34.10-2001 from libgcrypt's modular and point arithmetic and its GOST R 34.11-94.
inline bool vko(Curve curve, const Scalar& d, const Point& peer, const Ukm& ukm, Key256& kek) {
    Scalar t;
    Context ctx(curve);
    Bytes k;
    const Bytes peerXY = joined(peer);
    if (!vkoScalar(ctx, 1, d, ukm.data(), ukm.size(), t) ||
        !multiplyXY(curveName(curve), t, &peerXY, k))
        return false;
    gcry_md_hash_buffer(GCRY_MD_GOSTR3411_CP, kek.data(), k.data(), k.size());
    return true;
}

// VKO GOST R 34.10-2012 as RFC 7836 writes it: (cofactor·UKM·d mod q)·peer, its X||Y hashed
// by libgcrypt's Streebog (GCRY_MD_STRIBOG256 or 512).
inline bool vko(ParamSet2012 set, const Bytes& d, const Bytes& peer, const Bytes& ukm,
                int digestAlgorithm, Bytes& kek) {
    Bytes t(d.size()), k;
    Context ctx(set);
    if (!ctx.value)
        return false;
    Mpi h(gcry_mpi_ec_get_mpi("h", ctx.value, 1));
    unsigned cofactor = 0;
    if (gcry_mpi_get_ui(&cofactor, h.value) ||
        !vkoScalar(ctx, cofactor, d, ukm.data(), ukm.size(), t) ||
        !multiplyXY(curveName(set), t, &peer, k))
        return false;
    kek.resize(gcry_md_get_algo_dlen(digestAlgorithm));
    gcry_md_hash_buffer(digestAlgorithm, kek.data(), k.data(), k.size());
    return true;
}

} // namespace gost::gcrypt
