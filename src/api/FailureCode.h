#pragma once

#include <cstdint>

// The code that the page receives for the exception being handled: an Exception's own code,
// -53 for anything else. Call only inside a catch block.
std::int32_t currentFailureCode() noexcept;
