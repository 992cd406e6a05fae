#include "Gost3411.h"

#include <cstring>

#include "Gost28147.h"
#include "SecureWipe.h"

namespace gost {

namespace {

using Block = std::uint8_t[32];

// a += b mod 2^256, both least significant byte first.
void addBlocks(std::uint8_t* a, const std::uint8_t* b) {
    unsigned carry = 0;
    for (unsigned i = 0; i < 32; ++i) {
        carry += unsigned(a[i]) + b[i];
        a[i] = std::uint8_t(carry);
        carry >>= 8;
    }
}

// A: (y4 || y3 || y2 || y1) -> (y1 ^ y2 || y4 || y3 || y2), 64-bit y1 lowest.
void transformA(std::uint8_t* out, const std::uint8_t* in) {
    std::uint8_t low[8];
    std::memcpy(low, in, 8);
    std::memmove(out, in + 8, 24);
    for (unsigned i = 0; i < 8; ++i)
        out[24 + i] = low[i] ^ out[i];
}

// P: the byte permutation that turns W into a cipher key.
void transformP(std::uint8_t* key, const std::uint8_t* w) {
    for (unsigned i = 0; i < 4; ++i)
        for (unsigned j = 0; j < 8; ++j)
            key[i + 4 * j] = w[8 * i + j];
}

// ψ: shift by one 16-bit word, the new top word the XOR of words 1, 2, 3, 4, 13 and 16.
void transformPsi(std::uint8_t* y) {
    const std::uint8_t lo = y[0] ^ y[2] ^ y[4] ^ y[6] ^ y[24] ^ y[30];
    const std::uint8_t hi = y[1] ^ y[3] ^ y[5] ^ y[7] ^ y[25] ^ y[31];
    std::memmove(y, y + 2, 30);
    y[30] = lo;
    y[31] = hi;
}

void xorBlocks(std::uint8_t* r, const std::uint8_t* a, const std::uint8_t* b) {
    for (unsigned i = 0; i < 32; ++i)
        r[i] = a[i] ^ b[i];
}

// The positions where the constant C3 has 0xFF bytes.
constexpr unsigned kC3Bytes[] = {1, 3, 5, 7, 8, 10, 12, 14, 17, 18, 20, 23, 24, 28, 29, 31};

// H = f(H, M): four keys from H and M, four encryptions of H's quarters, then mixing.
void step(std::uint8_t* h, const std::uint8_t* m) {
    Block u, v, w, key, s;
    std::memcpy(u, h, 32);
    std::memcpy(v, m, 32);
    for (unsigned j = 0; j < 4; ++j) {
        if (j > 0) {
            transformA(u, u);
            if (j == 2)
                for (unsigned i : kC3Bytes)
                    u[i] = std::uint8_t(~u[i]);
            transformA(v, v);
            transformA(v, v);
        }
        xorBlocks(w, u, v);
        transformP(key, w);
        Gost28147(SBoxSet::HashCryptoPro, key).encryptBlock(h + 8 * j, s + 8 * j);
    }
    for (unsigned i = 0; i < 12; ++i)
        transformPsi(s);
    xorBlocks(s, s, m);
    transformPsi(s);
    xorBlocks(s, s, h);
    for (unsigned i = 0; i < 61; ++i)
        transformPsi(s);
    std::memcpy(h, s, 32);
    secureWipe(u, sizeof u);
    secureWipe(v, sizeof v);
    secureWipe(w, sizeof w);
    secureWipe(key, sizeof key);
    secureWipe(s, sizeof s);
}

void addBits(std::uint8_t* length, std::size_t bytes) {
    Block bits = {};
    std::uint64_t count = std::uint64_t(bytes) * 8;
    for (unsigned i = 0; i < 8; ++i, count >>= 8)
        bits[i] = std::uint8_t(count);
    addBlocks(length, bits);
}

} // namespace

Gost3411::Gost3411() {
    std::memset(state_, 0, sizeof state_);
    std::memset(sum_, 0, sizeof sum_);
    std::memset(length_, 0, sizeof length_);
}

Gost3411::~Gost3411() {
    secureWipe(state_, sizeof state_);
    secureWipe(sum_, sizeof sum_);
    secureWipe(pending_, sizeof pending_);
}

void Gost3411::update(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::size_t take = size < 32 - pendingSize_ ? size : 32 - pendingSize_;
        std::memcpy(pending_ + pendingSize_, data, take);
        pendingSize_ += take;
        data += take;
        size -= take;
        if (pendingSize_ == 32) {
            step(state_, pending_);
            addBlocks(sum_, pending_);
            addBits(length_, 32);
            pendingSize_ = 0;
        }
    }
}

void Gost3411::finish(std::uint8_t* digest) {
    if (pendingSize_ > 0) {
        // The last partial block is padded with zeros; the length counts only its data.
        std::memset(pending_ + pendingSize_, 0, 32 - pendingSize_);
        step(state_, pending_);
        addBlocks(sum_, pending_);
        addBits(length_, pendingSize_);
        pendingSize_ = 0;
    }
    step(state_, length_);
    step(state_, sum_);
    std::memcpy(digest, state_, 32);
}

} // namespace gost
