#pragma once

#include "Exception.h"

#include <string>

// A text argument that a method cannot do without: -11 under the method's name when empty.
inline void requireText(const std::string& text, const char* context) {
    if (text.empty())
        throw Exception(-11, context);
}
