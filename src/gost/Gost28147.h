#pragma once

#include <cstddef>
#include <cstdint>

// GOST 28147-89 block cipher: 64-bit blocks, 256-bit keys, words read least significant byte
// first (the byte order of RFC 4357 and the CryptoPro implementations).
namespace gost {

enum class SBoxSet {
    CryptoProA,    // id-Gost28147-89-CryptoPro-A-ParamSet, 1.2.643.2.2.31.1
    HashCryptoPro, // id-GostR3411-94-CryptoProParamSet, 1.2.643.2.2.30.1
};

class Gost28147 {
public:
    Gost28147(SBoxSet sboxes, const std::uint8_t* key);
    ~Gost28147();
    Gost28147(const Gost28147&) = delete;
    Gost28147& operator=(const Gost28147&) = delete;

    // Simple replacement (ECB) of one 8-byte block; in and out may be the same.
    void encryptBlock(const std::uint8_t* in, std::uint8_t* out) const;

    // Simple replacement of size bytes, a multiple of 8.
    void encryptEcb(const std::uint8_t* in, std::uint8_t* out, std::size_t size) const;

    // Cipher feedback (gamma with feedback) from an 8-byte IV; a last partial block is allowed.
    void encryptCfb(const std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out,
                    std::size_t size) const;

private:
    const std::uint32_t (*table_)[256];
    std::uint32_t key_[8];
};

} // namespace gost
