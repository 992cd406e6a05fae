#include "Template.h"
#include "Pkcs11Gost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string bytesOf(const CK_ATTRIBUTE& a) {
    return a.pValue ? std::string(static_cast<const char*>(a.pValue), a.ulValueLen) : "";
}

CK_ULONG ulongOf(const CK_ATTRIBUTE& a) {
    CK_ULONG v = 0;
    std::memcpy(&v, a.pValue, sizeof v);
    return v;
}

TEST(KvwTemplateTest, DescribesOnePluginObjectInFixedOrder) {
    KvwTemplate t(CKO_PRIVATE_KEY, "box");
    ASSERT_EQ(t.count(), 4u);
    const CK_ATTRIBUTE* a = t.ckAttributes();

    EXPECT_EQ(a[0].type, CKA_TOKEN);
    EXPECT_EQ(a[0].ulValueLen, 1u);
    EXPECT_EQ(*static_cast<const CK_BBOOL*>(a[0].pValue), CK_TRUE);

    EXPECT_EQ(a[1].type, CKA_CLASS);
    EXPECT_EQ(a[1].ulValueLen, sizeof(CK_ULONG));
    EXPECT_EQ(ulongOf(a[1]), CKO_PRIVATE_KEY);

    EXPECT_EQ(a[2].type, CKA_LABEL);
    EXPECT_EQ(a[2].ulValueLen, 13u); // no terminating zero
    EXPECT_EQ(bytesOf(a[2]), "vorlanek v.10");

    EXPECT_EQ(a[3].type, CKA_ID);
    EXPECT_EQ(bytesOf(a[3]), "box");
}

TEST(KvwTemplateTest, NameIsStoredByteForByte) {
    const struct {
        std::string name;
    } cases[] = {{"\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87"}, {std::string("a\0b", 3)}, {"a#%#b"}};
    for (const auto& c : cases) {
        KvwTemplate t(CKO_PUBLIC_KEY, c.name);
        EXPECT_EQ(bytesOf(t.ckAttributes()[3]), c.name);
        EXPECT_EQ(t.ckAttributes()[3].ulValueLen, c.name.size());
    }
}

TEST(KvwTemplateTest, EmptyNameGivesNullValue) {
    KvwTemplate t(CKO_CERTIFICATE, "");
    EXPECT_EQ(t.ckAttributes()[3].pValue, nullptr);
    EXPECT_EQ(t.ckAttributes()[3].ulValueLen, 0u);
}

TEST(TemplateTest, SameTypeReplacesInPlace) {
    Template t;
    addAttribute<CKA_CLASS>(t, CKO_PUBLIC_KEY);
    addId(t, "first");
    addDerive(t);
    addId(t, "second name");

    ASSERT_EQ(t.count(), 3u);
    const CK_ATTRIBUTE* a = t.ckAttributes();
    EXPECT_EQ(a[0].type, CKA_CLASS);
    EXPECT_EQ(a[1].type, CKA_ID);
    EXPECT_EQ(bytesOf(a[1]), "second name");
    EXPECT_EQ(a[2].type, CKA_DERIVE);
}

TEST(TemplateTest, ValuesStayValidAsTheTemplateGrows) {
    Template t;
    addId(t, "container");
    addAttribute<CKA_SENSITIVE>(t, CK_FALSE);
    addAttribute<CKA_EXTRACTABLE>(t, CK_TRUE);
    addAttribute<CKA_PRIVATE>(t, CK_FALSE);
    addDerive(t);
    addValue(t, std::vector<unsigned char>(1000, 0x5A));
    EXPECT_EQ(bytesOf(t.ckAttributes()[0]), "container");
}

TEST(TemplateTest, HelpersAddTheFixedValues) {
    Template t;
    addLabel(t);
    addKeyType(t, CKK_GOSTR3410);
    addGostR3410Params(t);
    addDerive(t);
    addValue(t, {1, 2, 3});
    ASSERT_EQ(t.count(), 5u);
    const CK_ATTRIBUTE* a = t.ckAttributes();
    EXPECT_EQ(bytesOf(a[0]), "vorlanek v.10");
    EXPECT_EQ(a[1].type, CKA_KEY_TYPE);
    EXPECT_EQ(a[1].ulValueLen, sizeof(CK_ULONG));
    EXPECT_EQ(ulongOf(a[1]), CKK_GOSTR3410);
    EXPECT_EQ(a[2].type, CKA_GOSTR3410_PARAMS);
    EXPECT_EQ(bytesOf(a[2]), std::string("\x06\x07\x2A\x85\x03\x02\x02\x23\x01", 9));
    EXPECT_EQ(a[3].type, CKA_DERIVE);
    EXPECT_EQ(a[3].ulValueLen, 1u);
    EXPECT_EQ(a[4].type, CKA_VALUE);
    EXPECT_EQ(bytesOf(a[4]), std::string("\x01\x02\x03", 3));
}

} // namespace
