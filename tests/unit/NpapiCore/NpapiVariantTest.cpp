// The translation of plug-in values to the browser's, by exact held type.
#include "NPObjectAPIFixture.h"

#include <cstdint>
#include <string>

namespace npapitest {
namespace {

using FB::variant;

class NpapiVariantTest : public NPObjectAPITest {
protected:
    // The browser value of v, as "type:value".
    std::string translated(const variant& v) {
        NPVariant out;
        FB::Npapi::toNPVariant(host, v, out);
        std::string text;
        switch (out.type) {
        case NPVariantType_Void:
            text = "void";
            break;
        case NPVariantType_Null:
            text = "null";
            break;
        case NPVariantType_Bool:
            text = std::string("bool:") + (NPVARIANT_TO_BOOLEAN(out) ? "true" : "false");
            break;
        case NPVariantType_Int32:
            text = "int:" + std::to_string(NPVARIANT_TO_INT32(out));
            break;
        case NPVariantType_Double:
            text = "double:" + std::to_string(NPVARIANT_TO_DOUBLE(out));
            break;
        case NPVariantType_String:
            text = "string:" + fakenp::FakeBrowser::text(out);
            break;
        case NPVariantType_Object:
            text = "object";
            break;
        }
        browser.funcs().releasevariantvalue(&out);
        return text;
    }
};

TEST_F(NpapiVariantTest, EachHeldTypeHasItsBrowserType) {
    struct Unknown {
        bool operator<(const Unknown&) const { return false; }
    };
    const struct {
        variant value;
        const char* expected;
    } cases[] = {
        {variant(true), "bool:true"},
        {variant('A'), "int:65"},
        {variant(static_cast<unsigned char>(200)), "int:200"},
        {variant(static_cast<short>(-7)), "int:-7"},
        {variant(static_cast<unsigned short>(65535)), "int:65535"},
        {variant(-5), "int:-5"},
        {variant(-6L), "int:-6"},
        // Unsigned and 64-bit integers would not fit a 32-bit number: decimal text.
        {variant(4000000000u), "string:4000000000"},
        {variant(7UL), "string:7"},
        {variant(-9000000000LL), "string:-9000000000"},
        {variant(18446744073709551615ULL), "string:18446744073709551615"},
        {variant(0.5f), "double:0.500000"},
        {variant(-2.25), "double:-2.250000"},
        {variant(std::string("Grüße")), "string:Grüße"},
        {variant(std::wstring(L"\u043a\u043b\u044e\u0447")), "string:ключ"},
        {variant(FB::variant_detail::null()), "null"},
        {variant(), "void"},
        {variant(Unknown()), "void"},
        {variant(FB::JSAPIPtr()), "null"},
        {variant(factory->last->GetRootJSAPI()), "object"},
        {variant(FB::JSAPIWeakPtr(factory->last->GetRootJSAPI())), "object"},
        {variant(pageFunction()), "object"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(translated(c.value), c.expected) << c.expected;
}

TEST_F(NpapiVariantTest, StringsAreTheBrowsersMemoryWithATerminatingZero) {
    NPVariant out;
    FB::Npapi::toNPVariant(host, variant(std::string("abc")), out);
    ASSERT_TRUE(NPVARIANT_IS_STRING(out));
    EXPECT_EQ(NPVARIANT_TO_STRING(out).UTF8Length, 3u);
    EXPECT_EQ(NPVARIANT_TO_STRING(out).UTF8Characters[3], '\0');
    browser.funcs().releasevariantvalue(&out); // freed with NPN_MemFree's partner
}

TEST_F(NpapiVariantTest, PageObjectsComeBackAsThemselves) {
    NPVariant out;
    FB::Npapi::toNPVariant(host, variant(pageFunction()), out);
    EXPECT_EQ(NPVARIANT_TO_OBJECT(out), function);
    browser.funcs().releasevariantvalue(&out);
}

} // namespace
} // namespace npapitest
