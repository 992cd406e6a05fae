#pragma once

#include <cstddef>
#include <cstdint>

// GOST R 34.11-94 hash with the CryptoPro parameter set. The digest is the byte string the
// standard's implementations print (the final state, least significant byte first).
namespace gost {

class Gost3411 {
public:
    Gost3411();
    ~Gost3411();
    Gost3411(const Gost3411&) = delete;
    Gost3411& operator=(const Gost3411&) = delete;

    void update(const std::uint8_t* data, std::size_t size);
    // Writes 32 bytes; the object is then spent.
    void finish(std::uint8_t* digest);

private:
    std::uint8_t state_[32];
    std::uint8_t sum_[32];
    std::uint8_t length_[32]; // in bits
    std::uint8_t pending_[32];
    std::size_t pendingSize_ = 0;
};

} // namespace gost
