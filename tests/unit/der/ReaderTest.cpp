// The strict reader: each malformed encoding refused with its own failure, optional elements
// told absent from malformed, and the values of the primitive types.
#include "Reader.h"
#include "ErrorPrinting.h"

#include <gtest/gtest.h>

#include <string>

using namespace der;

namespace {

struct Case {
    const char* name;
    Bytes bytes;
    Error error;
};

} // namespace

TEST(DerReaderTest, RefusesEachMalformedEncodingWithItsFailure) {
    const Case cases[] = {
        {"nothing", {}, Error::Truncated},
        {"a tag alone", {0x30}, Error::Truncated},
        {"contents cut short", {0x04, 0x03, 0x01, 0x02}, Error::Truncated},
        {"length octets cut short", {0x04, 0x82, 0x01}, Error::Truncated},
        {"indefinite length", {0x30, 0x80, 0x00, 0x00}, Error::IndefiniteLength},
        {"a short length in the long form", {0x04, 0x81, 0x01, 0xAA}, Error::NonMinimalLength},
        {"a length with a leading zero octet", {0x04, 0x82, 0x00, 0x80}, Error::NonMinimalLength},
        {"five length octets", {0x04, 0x85, 1, 0, 0, 0, 0}, Error::LengthTooLarge},
        {"the reserved length octet", {0x04, 0xFF}, Error::LengthTooLarge},
        {"a low tag number in the high form", {0x1F, 0x04, 0x00}, Error::BadTag},
        {"a high tag number with a leading zero digit", {0x1F, 0x80, 0x1F, 0x00}, Error::BadTag},
        {"a high tag number cut short", {0x1F, 0x81}, Error::Truncated},
        {"a tag number beyond 2^29", {0x1F, 0x82, 0x80, 0x80, 0x80, 0x00, 0x00}, Error::BadTag},
    };
    for (const Case& c : cases) {
        Reader reader(c.bytes);
        Tag tag = 0;
        Reader contents;
        EXPECT_EQ(reader.readAny(tag, contents), c.error) << c.name;
        EXPECT_EQ(reader.size(), c.bytes.size()) << c.name << ": the reader stays";
    }
}

TEST(DerReaderTest, ReadsHighTagNumbersAndLongLengths) {
    Bytes long200{0x9F, 0x81, 0x00, 0x81, 0xC8};
    long200.resize(5 + 200, 0x5A);
    Reader reader(long200);
    Tag tag = 0;
    Reader contents;
    ASSERT_EQ(reader.readAny(tag, contents), Error::None);
    EXPECT_EQ(tag, contextTag(128, false));
    EXPECT_EQ(contents.size(), 200u);
    EXPECT_TRUE(reader.empty());
}

TEST(DerReaderTest, TellsAnAbsentOptionalElementFromAMalformedOne) {
    const struct {
        const char* name;
        Bytes bytes;
        Error error;
        bool present;
    } cases[] = {
        {"at the end", {}, Error::None, false},
        {"another tag next", {0x02, 0x01, 0x05}, Error::None, false},
        {"there", {0xA0, 0x03, 0x02, 0x01, 0x02}, Error::None, true},
        {"there but cut short", {0xA0, 0x05, 0x02, 0x01}, Error::Truncated, false},
        {"there in indefinite length", {0xA0, 0x80, 0x00, 0x00}, Error::IndefiniteLength, false},
        {"an identifier that does not parse", {0x1F, 0x80, 0x01}, Error::BadTag, false},
    };
    for (const auto& c : cases) {
        Reader reader(c.bytes), contents;
        bool present = true;
        EXPECT_EQ(reader.readOptional(contextTag(0, true), contents, present), c.error) << c.name;
        EXPECT_EQ(present, c.present) << c.name;
    }
}

TEST(DerReaderTest, RefusesTrailingBytesAndAnotherTag) {
    const Bytes bytes{0x05, 0x00, 0x00};
    Reader reader(bytes), contents;
    EXPECT_EQ(reader.read(kInteger, contents), Error::UnexpectedTag);
    EXPECT_EQ(reader.readNull(), Error::None);
    EXPECT_EQ(reader.expectEnd(), Error::TrailingBytes);
}

TEST(DerReaderTest, ReadsIntegersInTheirShortestFormOnly) {
    const struct {
        Bytes bytes;
        Error error;
        std::uint64_t value;
    } cases[] = {
        {{0x02, 0x01, 0x00}, Error::None, 0},
        {{0x02, 0x01, 0x7F}, Error::None, 127},
        {{0x02, 0x02, 0x00, 0x80}, Error::None, 128},
        {{0x02, 0x00}, Error::BadInteger, 0},
        {{0x02, 0x02, 0x00, 0x7F}, Error::BadInteger, 0},
        {{0x02, 0x02, 0xFF, 0x80}, Error::BadInteger, 0},
        {{0x02, 0x01, 0x80}, Error::IntegerTooLarge, 0}, // negative
        {{0x02, 0x09, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}, Error::IntegerTooLarge, 0},
        {{0x02, 0x09, 0x00, 0xFF, 0, 0, 0, 0, 0, 0, 0}, Error::None, 0xFF00000000000000u},
    };
    for (const auto& c : cases) {
        Reader reader(c.bytes);
        std::uint64_t value = 0;
        EXPECT_EQ(reader.readUnsigned(value), c.error) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(value, c.value);
    }
}

TEST(DerReaderTest, ReadsObjectIdentifiersAndRefusesBadEncodings) {
    const struct {
        Bytes bytes;
        Error error;
        const char* dotted;
    } cases[] = {
        {{0x06, 0x06, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x03}, Error::None, "1.2.643.2.2.3"},
        {{0x06, 0x03, 0x55, 0x04, 0x03}, Error::None, "2.5.4.3"},
        {{0x06, 0x01, 0x00}, Error::None, "0.0"},
        {{0x06, 0x02, 0x88, 0x37}, Error::None, "2.999"},
        {{0x06, 0x00}, Error::BadOid, ""},
        {{0x06, 0x02, 0x2A, 0x85}, Error::BadOid, ""},       // cut short
        {{0x06, 0x03, 0x2A, 0x80, 0x01}, Error::BadOid, ""}, // leading 0x80
        {{0x06, 0x0B, 0x2A, 0x82, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00},
         Error::BadOid,
         ""},                                                       // beyond 64 bits
        {{0x26, 0x03, 0x55, 0x04, 0x03}, Error::UnexpectedTag, ""}, // constructed
    };
    for (const auto& c : cases) {
        Reader reader(c.bytes);
        std::string dotted;
        EXPECT_EQ(reader.readOid(dotted), c.error) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(dotted, c.dotted);
    }
}

TEST(DerReaderTest, ReadsBooleansBitStringsAndNull) {
    bool value = false;
    EXPECT_EQ(Reader(Bytes{0x01, 0x01, 0xFF}).readBoolean(value), Error::None);
    EXPECT_TRUE(value);
    for (const Bytes& bad : {Bytes{0x01, 0x01, 0x01}, Bytes{0x01, 0x00}, Bytes{0x01, 0x02, 0, 0}})
        EXPECT_EQ(Reader(bad).readBoolean(value), Error::BadBoolean);
    const Bytes writtenFalse{0x01, 0x01, 0x00};
    Reader defaultFalse(writtenFalse);
    EXPECT_EQ(defaultFalse.readDefaultFalse(value), Error::BadBoolean) << "DER leaves it out";
    EXPECT_EQ(Reader(Bytes{0x05, 0x01, 0x00}).readNull(), Error::BadNull);

    Bytes bits;
    unsigned unused = 0;
    EXPECT_EQ(Reader(Bytes{0x03, 0x02, 0x07, 0x80}).readBitString(bits, unused), Error::None);
    EXPECT_EQ(bits, Bytes{0x80});
    EXPECT_EQ(unused, 7u);
    for (const Bytes& bad : {Bytes{0x03, 0x00}, Bytes{0x03, 0x01, 0x01},
                             Bytes{0x03, 0x02, 0x08, 0x00}, Bytes{0x03, 0x02, 0x01, 0x01}})
        EXPECT_EQ(Reader(bad).readBitString(bits, unused), Error::BadBitString)
            << ::testing::PrintToString(bad);
}

TEST(DerReaderTest, ReadsTimesAsIsoText) {
    const struct {
        Bytes bytes;
        Error error;
        const char* iso;
    } cases[] = {
        {{0x17, 13, '2', '6', '1', '2', '1', '1', '0', '9', '3', '0', '0', '5', 'Z'},
         Error::None,
         "2026-12-11T09:30:05Z"},
        {{0x17, 13, '5', '0', '0', '1', '0', '1', '0', '0', '0', '0', '0', '0', 'Z'},
         Error::None,
         "1950-01-01T00:00:00Z"},
        {{0x18, 15, '2', '0', '5', '0', '0', '2', '2', '9', '2', '3', '5', '9', '5', '9', 'Z'},
         Error::BadTime,
         ""}, // 2050 is not a leap year
        {{0x18, 15, '2', '0', '4', '8', '0', '2', '2', '9', '2', '3', '5', '9', '5', '9', 'Z'},
         Error::None,
         "2048-02-29T23:59:59Z"},
        {{0x17, 11, '2', '6', '1', '2', '1', '1', '0', '9', '3', '0', 'Z'}, Error::BadTime, ""},
        {{0x17, 13, '2', '6', '1', '3', '1', '1', '0', '9', '3', '0', '0', '5', 'Z'},
         Error::BadTime,
         ""},
        {{0x17, 13, '2', '6', '1', '2', '1', '1', '0', '9', '3', '0', '0', '5', '+'},
         Error::BadTime,
         ""},
        {{0x18, 17, '2', '0', '2', '6', '1', '2', '1', '1', '0', '9', '3', '0', '0', '5', '.', '5',
          'Z'},
         Error::BadTime,
         ""},
    };
    for (const auto& c : cases) {
        std::string iso;
        EXPECT_EQ(Reader(c.bytes).readTime(iso), c.error) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(iso, c.iso);
    }
}

TEST(DerReaderTest, ReadsTheStringTypesAsUtf8) {
    const struct {
        Bytes bytes;
        Error error;
        std::string text;
    } cases[] = {
        {{0x0C, 0x04, 0xD0, 0x98, 0xD0, 0xB2}, Error::None, "\xD0\x98\xD0\xB2"},
        {{0x1E, 0x04, 0x04, 0x18, 0x00, 0x41},
         Error::None,
         "\xD0\x98"
         "A"}, // BMPString
        {{0x13, 0x02, 'R', 'U'}, Error::None, "RU"},
        {{0x12, 0x03, '1', ' ', '2'}, Error::None, "1 2"},
        {{0x16, 0x03, 'a', '@', 'b'}, Error::None, "a@b"},
        {{0x13, 0x01, '@'}, Error::BadString, ""},
        {{0x12, 0x01, 'x'}, Error::BadString, ""},
        {{0x16, 0x01, 0xC0}, Error::BadString, ""},
        {{0x0C, 0x02, 0xC0, 0x80}, Error::BadString, ""},       // overlong
        {{0x0C, 0x01, 0xD0}, Error::BadString, ""},             // cut short
        {{0x0C, 0x03, 0xED, 0xA0, 0x80}, Error::BadString, ""}, // surrogate
        {{0x1E, 0x01, 0x00}, Error::BadString, ""},
        {{0x1E, 0x02, 0xD8, 0x00}, Error::BadString, ""},
        {{0x14, 0x01, 'a'}, Error::UnexpectedTag, ""}, // TeletexString is not read as text
    };
    for (const auto& c : cases) {
        std::string text;
        Tag tag = 0;
        EXPECT_EQ(Reader(c.bytes).readString(text, tag), c.error)
            << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(text, c.text);
    }
}
