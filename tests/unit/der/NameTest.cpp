// Distinguished names: RFC 4514 text in and out with its escapes, each attribute in its string
// type, and the input a CA would refuse turned away with its reason.
#include "Name.h"
#include "ErrorPrinting.h"

#include <gtest/gtest.h>

using namespace der;

namespace {

Bytes encoded(const Name& name) {
    Builder b;
    writeName(b, name);
    Bytes out;
    EXPECT_EQ(b.finish(out), Error::None);
    return out;
}

} // namespace

TEST(DerNameTest, TextAndPairsGiveTheSameNameInTheirStringTypes) {
    Name fromText, fromPairs;
    ASSERT_EQ(nameFromText("CN=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2 \\+ Co,"
                           " SNILS = 12345678901 ,INN=770123456789,OGRN=1027700132195,"
                           "emailAddress=a@b.ru,C=RU",
                           fromText),
              Error::None);
    ASSERT_EQ(nameFromPairs({{"countryName", "RU"},
                             {"emailAddress", "a@b.ru"},
                             {"1.2.643.100.1", "1027700132195"},
                             {"inn", "770123456789"},
                             {"SNILS", "12345678901"},
                             {"CN", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2 + Co"}},
                            fromPairs),
              Error::None);
    EXPECT_EQ(encoded(fromText), encoded(fromPairs));
    const std::vector<NameAttribute> attributes = fromText.attributes();
    ASSERT_EQ(attributes.size(), 6u);
    const struct {
        const char* type;
        Tag tag;
    } expected[] = {{"C", kPrintableString}, {"emailAddress", kIa5String}, {"OGRN", kNumericString},
                    {"INN", kNumericString}, {"SNILS", kNumericString},    {"CN", kUtf8String}};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(attributes[i].type, expected[i].type);
        EXPECT_EQ(attributes[i].stringTag, expected[i].tag) << expected[i].type;
    }
    EXPECT_EQ(nameToText(fromText), "CN=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2 \\+ Co,"
                                    "SNILS=12345678901,INN=770123456789,OGRN=1027700132195,"
                                    "emailAddress=a@b.ru,C=RU");
}

TEST(DerNameTest, ReadsBackWhatItWritesWithEscapesAndMultiValuedNames) {
    Name name;
    ASSERT_EQ(nameFromText("CN=\\ lead\\,trail\\ +O=a\\3Bb\\5C\\22,OU=\\#1", name), Error::None);
    ASSERT_EQ(name.rdns.size(), 2u);
    ASSERT_EQ(name.rdns[1].size(), 2u);
    EXPECT_EQ(name.rdns[1][0].value, " lead,trail ");
    EXPECT_EQ(name.rdns[1][1].value, "a;b\\\"");
    EXPECT_EQ(name.rdns[0][0].value, "#1");
    const Bytes der = encoded(name);
    Reader reader(der);
    Name again;
    ASSERT_EQ(readName(reader, again), Error::None);
    EXPECT_EQ(encoded(again), der);
    // A multi-valued name's attributes come out in DER order: O's SET element sorts first.
    EXPECT_EQ(nameToText(again), "O=a\\;b\\\\\\\"+CN=\\ lead\\,trail\\ ,OU=\\#1");
    Name fromOwnText;
    ASSERT_EQ(nameFromText(nameToText(again), fromOwnText), Error::None);
    EXPECT_EQ(encoded(fromOwnText), der);
}

TEST(DerNameTest, RefusesInputACertificateCouldNotCarry) {
    const struct {
        const char* text;
        Error error;
    } cases[] = {
        {"XX=1", Error::UnknownAttribute},
        {"1.2.3.4=1", Error::UnknownAttribute},
        {"C=RUS", Error::ValueTooLong},
        {"C=R", Error::ValueTooShort},
        {"C=\xD0\xA0\xD0\xA4", Error::BadValue},
        {"INN=77012345678", Error::ValueTooShort},
        {"INN=7701234567890", Error::ValueTooLong},
        {"SNILS=1234567890a", Error::BadValue},
        {"emailAddress=\xD0\xB0@b.ru", Error::BadValue},
        {"CN=", Error::ValueTooShort},
        {"CN=\xFF", Error::BadString},
        {"CN=a\\00b", Error::BadValue},
        {"CN=a\\0Ab", Error::BadValue},
        {"CN", Error::BadNameText},
        {"=x", Error::BadNameText},
        {"CN=a,", Error::BadNameText},
        {"CN=a\\", Error::BadNameText},
        {"CN=a\\q", Error::BadNameText},
        {"CN=a\\4", Error::BadNameText},
        {"CN=#0403414243", Error::BadNameText},
        {"CN=a\"b", Error::BadNameText},
    };
    for (const auto& c : cases) {
        Name name;
        EXPECT_EQ(nameFromText(c.text, name), c.error) << c.text;
    }
    Name name;
    EXPECT_EQ(nameFromText("CN=" + std::string(64, 'x'), name), Error::None);
    EXPECT_EQ(nameFromText("CN=" + std::string(65, 'x'), name), Error::ValueTooLong);
    // The bound counts characters, not bytes: 64 Cyrillic letters are 128 bytes.
    std::string cyrillic;
    for (int i = 0; i < 64; ++i)
        cyrillic += "\xD0\x96";
    EXPECT_EQ(nameFromPairs({{"O", cyrillic}}, name), Error::None);
    EXPECT_EQ(nameFromPairs({{"O", cyrillic + "\xD0\x96"}}, name), Error::ValueTooLong);
    EXPECT_EQ(nameFromText("", name), Error::None);
    EXPECT_TRUE(name.rdns.empty());
}

TEST(DerNameTest, WritesControlCharactersOfACertificateAsEscapes) {
    // SET { SEQUENCE { 2.5.4.3, UTF8String "a\0b\n" } }
    const Bytes der{0x30, 0x0F, 0x31, 0x0D, 0x30, 0x0B, 0x06, 0x03, 0x55,
                    0x04, 0x03, 0x0C, 0x04, 'a',  0x00, 'b',  0x0A};
    Reader reader(der);
    Name name;
    ASSERT_EQ(readName(reader, name), Error::None);
    EXPECT_EQ(nameToText(name), "CN=a\\00b\\0A");
}

TEST(DerNameTest, ReadsValuesOfOtherTypesAsHexAndRefusesUnsortedSets) {
    // SET { SEQUENCE { 2.5.4.3, INTEGER 5 } }
    const Bytes der{0x30, 0x0C, 0x31, 0x0A, 0x30, 0x08, 0x06,
                    0x03, 0x55, 0x04, 0x03, 0x02, 0x01, 0x05};
    Reader reader(der);
    Name name;
    ASSERT_EQ(readName(reader, name), Error::None);
    EXPECT_EQ(nameToText(name), "CN=#020105");
    EXPECT_EQ(encoded(name), der);

    // SET { SEQUENCE { 2.5.4.6 "RU" }, SEQUENCE { 2.5.4.3 "A" } }: out of DER order.
    const Bytes unsorted{0x30, 0x17, 0x31, 0x15, 0x30, 0x09, 0x06, 0x03, 0x55,
                         0x04, 0x06, 0x13, 0x02, 'R',  'U',  0x30, 0x08, 0x06,
                         0x03, 0x55, 0x04, 0x03, 0x0C, 0x01, 'A'};
    Reader second(unsorted);
    EXPECT_EQ(readName(second, name), Error::UnsortedSet);
}
