#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

// Arithmetic modulo an odd number m below 2^(N·limb bits), in Montgomery form (a stands for
// a·R⁻¹ mod m, R = 2^(N·limb bits)), or, for m = R - c with a small c, on plain values reduced
// by folding; toMont and fromMont convert either way, so callers need not know which. The word
// count N is a template parameter: the 256- and 512-bit parameter sets share every line. Both the
// field layer (mod p) and the scalar layer (mod q) are instances of it.
//
// Every operation runs in time independent of its operands: no branch and no memory index
// follows a value, only the public modulus and sizes. Elements are kept fully reduced (below
// m); debug builds check it on entry to each operation.
// The limb loops are short and of a fixed count: written out, their carries stay in registers.
#define KV_UNROLL _Pragma("GCC unroll 16")

namespace gost::mont {

#if defined(__SIZEOF_INT128__) && !defined(KV_GOST_32BIT_LIMBS)
using Limb = std::uint64_t;
using Wide = unsigned __int128;
#else
// 32-bit targets (the i686 build) have no 128-bit product; KV_GOST_32BIT_LIMBS runs their
// arithmetic natively, for the tests.
using Limb = std::uint32_t;
using Wide = std::uint64_t;
#endif
constexpr unsigned kLimbBits = 8 * sizeof(Limb);
constexpr unsigned kLimbBytes = sizeof(Limb);

// Limbs of a number of this many bits.
template <std::size_t Bits> constexpr std::size_t kLimbs = Bits / kLimbBits;

template <std::size_t N> struct Element { Limb v[N]; };

// All ones when x is zero, else zero.
inline Limb zeroMask(Limb x) {
    // (x | -x) has its top bit set exactly when x is not zero.
    return Limb(((x | (Limb(0) - x)) >> (kLimbBits - 1)) - 1);
}

template <std::size_t N> void loadLittleEndian(Limb* r, const std::uint8_t* bytes) {
    KV_UNROLL
    for (std::size_t i = 0; i < N; ++i) {
        Limb w = 0;
        for (std::size_t j = kLimbBytes; j-- > 0;)
            w = (w << 8) | bytes[kLimbBytes * i + j];
        r[i] = w;
    }
}

template <std::size_t N> void storeLittleEndian(std::uint8_t* bytes, const Limb* a) {
    KV_UNROLL
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = 0; j < kLimbBytes; ++j)
            bytes[kLimbBytes * i + j] = std::uint8_t(a[i] >> (8 * j));
}

// r = a - b; returns the borrow (0 or 1). r may be a or b.
template <std::size_t N> Limb subtractLimbs(Limb* r, const Limb* a, const Limb* b) {
    Limb borrow = 0;
    KV_UNROLL
    for (std::size_t i = 0; i < N; ++i) {
        const Limb d = a[i] - b[i];
        const Limb below = Limb(a[i] < b[i]);
        r[i] = d - borrow;
        borrow = below | Limb(d < borrow);
    }
    return borrow;
}

// r = a + b; returns the carry (0 or 1). r may be a or b.
template <std::size_t N> Limb addLimbs(Limb* r, const Limb* a, const Limb* b) {
    Limb carry = 0;
    KV_UNROLL
    for (std::size_t i = 0; i < N; ++i) {
        const Limb s = a[i] + b[i];
        const Limb over = Limb(s < a[i]);
        r[i] = s + carry;
        carry = over | Limb(r[i] < carry);
    }
    return carry;
}

// All ones when a < b, else zero.
template <std::size_t N> Limb lessMask(const Limb* a, const Limb* b) {
    Limb scratch[N];
    return Limb(0) - subtractLimbs<N>(scratch, a, b);
}

template <std::size_t N> class Modulus {
public:
    using Fe = Element<N>;

    // m odd, given least significant byte first in N·limb bytes.
    void load(const std::uint8_t* bytes) {
        loadLittleEndian<N>(m_, bytes);
        // m = 2^(N·w) - c with a small c (the TC26 A and B primes): elements are then kept as
        // they are, and a product is reduced by folding its top half in, times c, which
        // costs a quarter of a Montgomery reduction.
        Limb high = ~Limb(0);
        KV_UNROLL
        for (std::size_t i = 1; i < N; ++i)
            high &= m_[i];
        fold_ = high == ~Limb(0) && m_[0] > ~Limb(0) - 0xFFFF ? Limb(0) - m_[0] : 0;
        // -m⁻¹ mod 2^w by Newton's iteration: each step doubles the correct low bits.
        Limb inv = 1;
        for (unsigned i = 0; i < 7; ++i)
            inv *= Limb(2) - m_[0] * inv;
        m0inv_ = Limb(0) - inv;
        // R mod m and R² mod m by doubling 1 (the modulus is public: its setup may take any
        // time).
        Fe x{};
        x.v[0] = 1;
        for (std::size_t i = 0; i < 2 * N * kLimbBits; ++i) {
            if (i == N * kLimbBits)
                one_ = x;
            addRaw(x, x, x);
        }
        r2_ = x;
        if (fold_) {
            one_ = Fe{};
            one_.v[0] = 1;
        }
    }

    const Limb* modulus() const { return m_; }
    const Fe& one() const { return one_; }

    // r = a·b·R⁻¹ mod m (a·b mod m for a folding modulus, whose elements are plain).
    void mul(Fe& r, const Fe& a, const Fe& b) const {
        checkReduced(a);
        checkReduced(b);
        if (fold_)
            mulFolding(r, a, b);
        else
            mulUnreduced(r, a, b);
    }

    void sqr(Fe& r, const Fe& a) const { mul(r, a, a); }

    // r = a + b mod m.
    void add(Fe& r, const Fe& a, const Fe& b) const {
        checkReduced(a);
        checkReduced(b);
        addRaw(r, a, b);
    }

    // r = a - b mod m.
    void sub(Fe& r, const Fe& a, const Fe& b) const {
        checkReduced(a);
        checkReduced(b);
        const Limb mask = Limb(0) - subtractLimbs<N>(r.v, a.v, b.v);
        Limb masked[N];
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            masked[i] = m_[i] & mask;
        addLimbs<N>(r.v, r.v, masked);
    }

    void neg(Fe& r, const Fe& a) const {
        const Fe zero{};
        sub(r, zero, a);
    }

    // Montgomery form of x mod m for any x below R.
    void toMont(Fe& r, const Limb* x) const {
        if (fold_) {
            // x < 2^(N·w) < 2m: one conditional subtraction.
            reduceOnce(r, x, 0);
            return;
        }
        // x·R²·R⁻¹ = x·R; the product bound x·R² < R·m holds for any x below R.
        Fe raw;
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            raw.v[i] = x[i];
        mulUnreduced(r, raw, r2_);
    }

    // The plain value below m of a Montgomery-form a.
    void fromMont(Limb* x, const Fe& a) const {
        if (fold_) {
            KV_UNROLL
            for (std::size_t i = 0; i < N; ++i)
                x[i] = a.v[i];
            return;
        }
        Fe unit{};
        unit.v[0] = 1;
        Fe r;
        mul(r, a, unit);
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            x[i] = r.v[i];
    }

    // r = a^(m-2) = a⁻¹ for a prime m (0 for a = 0), by fixed 4-bit windows over the public
    // exponent.
    void inverse(Fe& r, const Fe& a) const {
        Fe powers[16];
        powers[0] = one_;
        powers[1] = a;
        for (unsigned i = 2; i < 16; ++i)
            mul(powers[i], powers[i - 1], a);
        Limb e[N];
        const Limb two[1] = {2};
        Limb borrow = Limb(m_[0] < two[0]);
        e[0] = m_[0] - two[0];
        KV_UNROLL
        for (std::size_t i = 1; i < N; ++i) {
            e[i] = m_[i] - borrow;
            borrow = Limb(m_[i] < borrow);
        }
        Fe acc = one_;
        for (std::size_t bit = N * kLimbBits; bit > 0;) {
            bit -= 4;
            for (unsigned k = 0; k < 4; ++k)
                sqr(acc, acc);
            const unsigned digit = unsigned(e[bit / kLimbBits] >> (bit % kLimbBits)) & 15;
            mul(acc, acc, powers[digit]);
        }
        r = acc;
    }

    // All ones when a = b.
    static Limb equalMask(const Fe& a, const Fe& b) {
        Limb diff = 0;
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            diff |= a.v[i] ^ b.v[i];
        return zeroMask(diff);
    }

    static Limb isZeroMask(const Fe& a) {
        Limb any = 0;
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            any |= a.v[i];
        return zeroMask(any);
    }

    // r = mask ? a : r, mask all ones or zero.
    static void select(Fe& r, const Fe& a, Limb mask) {
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            r.v[i] = (a.v[i] & mask) | (r.v[i] & ~mask);
    }

    // Whether x (N limbs) is below m.
    bool isReduced(const Limb* x) const { return lessMask<N>(x, m_) != 0; }

private:
    void addRaw(Fe& r, const Fe& a, const Fe& b) const {
        const Limb carry = addLimbs<N>(r.v, a.v, b.v);
        Fe d;
        const Limb borrow = subtractLimbs<N>(d.v, r.v, m_);
        // Keep the sum when it is below m: no carry out, and subtracting m borrows.
        const Limb keep = Limb(0) - Limb(carry < borrow);
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            r.v[i] = (r.v[i] & keep) | (d.v[i] & ~keep);
    }

    // r = a·b·R⁻¹ mod m, below m, for any a and b with a·b < R·m (CIOS: one row of the
    // product, then one reduction step, a limb at a time).
    void mulUnreduced(Fe& r, const Fe& a, const Fe& b) const {
        Limb t[N + 2] = {};
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i) {
            Limb c = 0;
            KV_UNROLL
            for (std::size_t j = 0; j < N; ++j) {
                const Wide uv = Wide(a.v[j]) * b.v[i] + t[j] + c;
                t[j] = Limb(uv);
                c = Limb(uv >> kLimbBits);
            }
            Wide uv = Wide(t[N]) + c;
            t[N] = Limb(uv);
            t[N + 1] = Limb(uv >> kLimbBits);
            const Limb q = t[0] * m0inv_;
            uv = Wide(q) * m_[0] + t[0];
            c = Limb(uv >> kLimbBits);
            KV_UNROLL
            for (std::size_t j = 1; j < N; ++j) {
                uv = Wide(q) * m_[j] + t[j] + c;
                t[j - 1] = Limb(uv);
                c = Limb(uv >> kLimbBits);
            }
            uv = Wide(t[N]) + c;
            t[N - 1] = Limb(uv);
            t[N] = t[N + 1] + Limb(uv >> kLimbBits);
        }
        // t < 2m: subtract m unless that borrows beyond t's top limb.
        reduceOnce(r, t, t[N]);
    }

    // r = (top·2^(N·w) + x) mod m for a value below 2m.
    void reduceOnce(Fe& r, const Limb* x, Limb top) const {
        Fe d;
        const Limb borrow = subtractLimbs<N>(d.v, x, m_);
        const Limb keep = Limb(0) - Limb(top < borrow);
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i)
            r.v[i] = (x[i] & keep) | (d.v[i] & ~keep);
    }

    // r = a·b mod m for m = 2^(N·w) - c: the 2N-limb product, its top half folded in times
    // c, then the few bits that carry out folded in again.
    void mulFolding(Fe& r, const Fe& a, const Fe& b) const {
        // Product scanning: one result limb at a time from a three-limb running sum, so that the
        // limb products do not wait on each other's carries.
        Limb t[2 * N];
        Wide sum = 0; // the running sum's low two limbs; top counts what carries out of them
        Limb top = 0;
        KV_UNROLL
        for (std::size_t k = 0; k < 2 * N - 1; ++k) {
            const std::size_t first = k < N ? 0 : k - N + 1, last = k < N ? k : N - 1;
            KV_UNROLL
            for (std::size_t i = first; i <= last; ++i) {
                const Wide product = Wide(a.v[i]) * b.v[k - i];
                sum += product;
                top += Limb(sum < product);
            }
            t[k] = Limb(sum);
            sum = (sum >> kLimbBits) | (Wide(top) << kLimbBits);
            top = 0;
        }
        t[2 * N - 1] = Limb(sum);
        Limb u[N];
        Limb carry = 0;
        KV_UNROLL
        for (std::size_t i = 0; i < N; ++i) {
            const Wide s = Wide(t[N + i]) * fold_ + t[i] + carry;
            u[i] = Limb(s);
            carry = Limb(s >> kLimbBits);
        }
        // u + carry·2^(N·w) ≡ u + carry·c. When that carries out again, u is left below c², so
        // the last fold, c more, lands in the lowest limb without a carry.
        const Wide folded = Wide(carry) * fold_ + u[0];
        u[0] = Limb(folded);
        carry = Limb(folded >> kLimbBits);
        KV_UNROLL
        for (std::size_t i = 1; i < N; ++i) {
            u[i] += carry;
            carry = Limb(u[i] < carry);
        }
        u[0] += carry * fold_;
        reduceOnce(r, u, 0);
    }

    void checkReduced([[maybe_unused]] const Fe& a) const {
#ifndef NDEBUG
        assert(isReduced(a.v));
#endif
    }

    Limb m_[N];
    Limb m0inv_;
    Limb fold_ = 0; // c of m = 2^(N·w) - c, or 0
    Fe one_;
    Fe r2_;
};

} // namespace gost::mont

#undef KV_UNROLL
