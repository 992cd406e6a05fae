#include "FailureCode.h"
#include "Exception.h"

#include <gtest/gtest.h>
#include <p11-kit/pkcs11.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace {

std::int32_t codeOf(const std::function<void()>& fail) {
    try {
        fail();
    } catch (...) {
        return currentFailureCode();
    }
    return 0;
}

TEST(FailureCodeTest, ExceptionsGiveTheirCodeEverythingElseMinus53) {
    EXPECT_EQ(codeOf([] { throw Exception(-11, "doSign"); }), -11);
    EXPECT_EQ(codeOf([] { throw Exception(-60, "inputPin"); }), -60);
    EXPECT_EQ(codeOf([] { throw Pkcs11Exception("C_Login", CKR_PIN_INCORRECT); }), -4);
    // A script error that is not ours, such as a plug-in object that is gone.
    EXPECT_EQ(codeOf([] { throw FB::script_error("The plugin is invalid"); }), -53);
    EXPECT_EQ(codeOf([] { throw std::bad_alloc(); }), -53);
    EXPECT_EQ(codeOf([] { throw std::runtime_error("-4"); }), -53);
    EXPECT_EQ(codeOf([] { throw 42; }), -53);
}

} // namespace
