#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// GOST R 34.11-2012 "Streebog" with 256- and 512-bit digests. A digest is the byte string
// that libgcrypt and OpenSSL write: the final state least significant byte first (the reverse
// of the hexadecimal numbers the standard prints).
namespace gost {

using Digest256 = std::array<std::uint8_t, 32>;
using Digest512 = std::array<std::uint8_t, 64>;

class Streebog {
public:
    // digestSize is 32 or 64 bytes; any other value is taken as 64.
    explicit Streebog(std::size_t digestSize);
    ~Streebog();
    Streebog(const Streebog&) = default;
    Streebog& operator=(const Streebog&) = default;

    std::size_t digestSize() const { return digestSize_; }

    void update(const std::uint8_t* data, std::size_t size);
    // Writes digestSize() bytes; the object is then spent.
    void finish(std::uint8_t* digest);

private:
    std::uint64_t h_[8];
    std::uint64_t n_[8];     // bits hashed so far
    std::uint64_t sigma_[8]; // sum of the blocks mod 2^512
    std::uint8_t pending_[64];
    std::size_t pendingSize_ = 0;
    std::size_t digestSize_;
};

Digest256 streebog256(const std::uint8_t* data, std::size_t size);
Digest512 streebog512(const std::uint8_t* data, std::size_t size);

} // namespace gost
