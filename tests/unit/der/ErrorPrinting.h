#pragma once

#include "Error.h"

#include <ostream>

namespace der {

// GoogleTest prints a failure by its name.
inline void PrintTo(Error error, std::ostream* out) {
    *out << errorName(error);
}

} // namespace der
