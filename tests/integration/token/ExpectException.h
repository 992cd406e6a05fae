#pragma once

#include "Exception.h"

#include <gtest/gtest.h>

#include <string>

// Runs f and expects it to fail with an Exception of this code and context.
template <typename F> void expectException(F&& f, std::int32_t code, const std::string& context) {
    try {
        f();
        ADD_FAILURE() << "no exception, expected " << code << " \"" << context << "\"";
    } catch (const Exception& e) {
        EXPECT_EQ(e.code(), code) << "context \"" << e.context() << "\"";
        EXPECT_EQ(std::string(e.context()), context);
    }
}
