#pragma once

#include <cstdint>

namespace gost {

// Fills buffer with 32 bytes from the operating system's cryptographic generator; false when
// the generator fails (the buffer's content is then not to be used).
bool randomBytes(std::uint8_t* buffer);

} // namespace gost
