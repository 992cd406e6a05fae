#include "Utf.h"
#include "SecureWipe.h"

#include <gtest/gtest.h>
#include <utf8.h>

namespace {

TEST(UtfTest, RoundTripsAcrossPlanes) {
    // ASCII, Cyrillic, and a character outside the basic plane (a surrogate pair in UTF-16).
    const std::string text = "ab \xD0\x9A\xD0\xBE\xD0\xBD\xD1\x82 \xF0\x9F\x94\x91";
    const std::wstring wide = utf8ToWide(text);
    EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 10u : 9u);
    EXPECT_EQ(wide[3], L'\x041A');
    EXPECT_EQ(wideToUtf8(wide), text);
}

TEST(UtfTest, InvalidUtf8Throws) {
    EXPECT_THROW(utf8ToWide("\xC3"), utf8::exception);
    EXPECT_THROW(utf8ToWide("\xFF"), utf8::exception);
}

TEST(SecureWipeTest, ClearsTheSecret) {
    std::string pin = "123456";
    secureWipe(pin);
    EXPECT_TRUE(pin.empty());
    unsigned char key[4] = {1, 2, 3, 4};
    secureWipe(key, sizeof key);
    EXPECT_EQ(key[0] | key[1] | key[2] | key[3], 0);
}

} // namespace
