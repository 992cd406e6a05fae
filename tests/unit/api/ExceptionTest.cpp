#include "Exception.h"

#include <gtest/gtest.h>
#include <p11-kit/pkcs11.h>

#include <string>

namespace {

struct Translation {
    unsigned long rv;
    std::int32_t code;
};

class Pkcs11ErrorCodeTest : public ::testing::TestWithParam<Translation> {};

TEST_P(Pkcs11ErrorCodeTest, TranslatesReturnValue) {
    EXPECT_EQ(pkcs11ErrorCode(GetParam().rv), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Pkcs11ErrorCodeTest,
    ::testing::Values(
        Translation{CKR_OK, 0}, Translation{CKR_HOST_MEMORY, -40},
        Translation{CKR_ARGUMENTS_BAD, -10}, Translation{CKR_DEVICE_MEMORY, -40},
        Translation{CKR_PIN_INCORRECT, -4}, Translation{CKR_PIN_INVALID, -3},
        Translation{CKR_PIN_LEN_RANGE, -6}, Translation{CKR_PIN_LOCKED, -5},
        Translation{CKR_TOKEN_NOT_PRESENT, -1}, Translation{CKR_USER_NOT_LOGGED_IN, -2},
        Translation{CKR_CRYPTOKI_NOT_INITIALIZED, -51},
        // Everything else is -(rv + 80) on 32 bits.
        Translation{CKR_GENERAL_ERROR, -85}, Translation{CKR_CRYPTOKI_ALREADY_INITIALIZED, -481},
        Translation{CKR_DEVICE_ERROR, -128}, Translation{CKR_FUNCTION_NOT_SUPPORTED, -164},
        // Vendor-defined values wrap and may come out positive.
        Translation{0x80000000UL, 2147483568}, Translation{0xFFFFFFFFUL, -79},
        Translation{0xFFFFFFB0UL, 0}),
    [](const ::testing::TestParamInfo<Translation>& info) {
        return "rv" + std::to_string(info.param.rv);
    });

TEST(ExceptionTest, WhatIsTheCodeAndContextIsKept) {
    const Exception e(-11, "doSign");
    EXPECT_STREQ(e.what(), "-11");
    EXPECT_STREQ(e.context(), "doSign");
    EXPECT_EQ(e.code(), -11);

    const Exception positive(3, "inputPin");
    EXPECT_STREQ(positive.what(), "3");
}

TEST(ExceptionTest, CopyKeepsAllFields) {
    const Exception original(-20, "obtainPrivateKey");
    const Exception copy = original;
    EXPECT_STREQ(copy.what(), "-20");
    EXPECT_STREQ(copy.context(), "obtainPrivateKey");
    EXPECT_EQ(copy.code(), -20);
}

TEST(ExceptionTest, Pkcs11ExceptionTranslatesAndNamesTheFunction) {
    try {
        throw Pkcs11Exception("C_Login", CKR_PIN_INCORRECT);
    } catch (const Exception& e) {
        EXPECT_EQ(e.code(), -4);
        EXPECT_STREQ(e.what(), "-4");
        EXPECT_STREQ(e.context(), "C_Login");
    }
}

TEST(ExceptionTest, CaughtAsScriptErrorStillAnswersTheCode) {
    try {
        throw Exception(-4, "C_Login");
    } catch (const FB::script_error& e) {
        EXPECT_STREQ(e.what(), "-4");
    }
}

} // namespace
