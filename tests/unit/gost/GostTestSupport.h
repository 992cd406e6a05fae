#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "BigNumber.h"
#include "GostCrypto.h"

// Numbers in tests are written as the standards print them, most significant digit first.
namespace gost::test {

inline std::vector<std::uint8_t> bytesFromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(std::uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline std::string hexFromBytes(const std::uint8_t* data, std::size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 15];
    }
    return hex;
}

// A 32-byte number, least significant byte first, from its printed form.
inline Scalar scalarFromHex(const std::string& hex) {
    Scalar s{};
    const std::vector<std::uint8_t> bigEndian =
        bytesFromHex(std::string(64 - hex.size(), '0') + hex);
    for (std::size_t i = 0; i < 32; ++i)
        s[i] = bigEndian[31 - i];
    return s;
}

inline std::string hexFromScalar(const Scalar& s) {
    Scalar bigEndian;
    for (std::size_t i = 0; i < 32; ++i)
        bigEndian[i] = s[31 - i];
    return hexFromBytes(bigEndian.data(), 32);
}

inline std::array<Word, 8> wordsFromHex(const std::string& hex) {
    std::array<Word, 8> w;
    loadWords(w.data(), scalarFromHex(hex).data(), 8);
    return w;
}

// size bytes from a seeded generator: the same in every run.
inline std::vector<std::uint8_t> randomBytes(std::mt19937& rng, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
        b = std::uint8_t(rng());
    return bytes;
}

} // namespace gost::test
