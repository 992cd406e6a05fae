// The builder: lengths written when an element closes, SET OF in DER order, and what it
// writes read back the same.
#include "Builder.h"
#include "ErrorPrinting.h"
#include "Reader.h"

#include <gtest/gtest.h>

using namespace der;

TEST(DerBuilderTest, WritesLengthsInTheFewestOctets) {
    for (std::size_t size : {0u, 127u, 128u, 255u, 256u, 70000u}) {
        Builder b;
        b.add(kSequence, [&] { b.addOctetString(Bytes(size, 0x11)); });
        Bytes out;
        ASSERT_EQ(b.finish(out), Error::None);
        Reader reader(out), sequence;
        ASSERT_EQ(reader.read(kSequence, sequence), Error::None) << size;
        Bytes value;
        ASSERT_EQ(sequence.readOctetString(value), Error::None) << size;
        EXPECT_EQ(value.size(), size);
        EXPECT_TRUE(reader.empty() && sequence.empty());
    }
}

TEST(DerBuilderTest, SortsASetOfIntoDerOrder) {
    Builder b;
    b.addSetOf([&] {
        b.addOctetString({0x02});
        b.addUnsigned(5);
        b.addOctetString({0x01, 0x00});
        b.addOctetString({0x01});
        b.add(kSequence, [&] { b.addNull(); });
    });
    Bytes out;
    ASSERT_EQ(b.finish(out), Error::None);
    // INTEGER (02) first, then the OCTET STRINGs: 04 01 01 before 04 01 02 before 04 02 01 00,
    // then the SEQUENCE (30).
    const Bytes expected{0x31, 0x11, 0x02, 0x01, 0x05, 0x04, 0x01, 0x01, 0x04, 0x01,
                         0x02, 0x04, 0x02, 0x01, 0x00, 0x30, 0x02, 0x05, 0x00};
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(derSetLess({0x04, 0x01}, {0x04, 0x01, 0x01}));
    EXPECT_FALSE(derSetLess({0x04, 0x01, 0x00}, {0x04, 0x01})) << "padded with zeros: equal";
}

TEST(DerBuilderTest, WritesValuesTheReaderReadsBack) {
    Builder b;
    b.add(contextTag(200, true), [&] {
        b.addUnsignedInteger({0x00, 0x00, 0x80});
        b.addUnsigned(0);
        b.addOid("1.2.643.100.111");
        b.addNamedBits(0x01 | 0x40); // digitalSignature, cRLSign
        b.addString(kBmpString, "\xD0\x98");
        b.addBoolean(true);
    });
    Bytes out;
    ASSERT_EQ(b.finish(out), Error::None);
    Reader reader(out), inside;
    ASSERT_EQ(reader.read(contextTag(200, true), inside), Error::None);
    Bytes integer;
    ASSERT_EQ(inside.readInteger(integer), Error::None);
    EXPECT_EQ(integer, (Bytes{0x00, 0x80}));
    ASSERT_EQ(inside.readInteger(integer), Error::None);
    EXPECT_EQ(integer, Bytes{0x00});
    std::string oid;
    ASSERT_EQ(inside.readOid(oid), Error::None);
    EXPECT_EQ(oid, "1.2.643.100.111");
    Bytes bits;
    unsigned unused = 0;
    ASSERT_EQ(inside.readBitString(bits, unused), Error::None);
    EXPECT_EQ(bits, Bytes{0x82});
    EXPECT_EQ(unused, 1u) << "trailing zero bits are left out";
    std::string text;
    Tag tag = 0;
    ASSERT_EQ(inside.readString(text, tag), Error::None);
    EXPECT_EQ(text, "\xD0\x98");
    bool flag = false;
    ASSERT_EQ(inside.readBoolean(flag), Error::None);
    EXPECT_TRUE(flag && inside.empty());
}

TEST(DerBuilderTest, KeepsTheFirstFailure) {
    const struct {
        const char* name;
        void (*build)(Builder&);
        Error error;
    } cases[] = {
        {"an identifier with one arc", [](Builder& b) { b.addOid("1"); }, Error::BadOidText},
        {"a second arc of 40 under 1", [](Builder& b) { b.addOid("1.40"); }, Error::BadOidText},
        {"a leading zero", [](Builder& b) { b.addOid("1.02"); }, Error::BadOidText},
        {"an empty arc", [](Builder& b) { b.addOid("1..2"); }, Error::BadOidText},
        {"a letter", [](Builder& b) { b.addString(kNumericString, "12a"); }, Error::BadValue},
        {"not UTF-8", [](Builder& b) { b.addString(kUtf8String, "\xFF"); }, Error::BadString},
        {"an element left open", [](Builder& b) { b.open(kSequence); }, Error::Unfinished},
        {"a close too many", [](Builder& b) { b.close(); }, Error::Unfinished},
    };
    for (const auto& c : cases) {
        Builder b;
        c.build(b);
        b.addNull();
        Bytes out;
        EXPECT_EQ(b.finish(out), c.error) << c.name;
    }
}
