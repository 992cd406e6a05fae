// Both value tables: what each VARIANT type arrives as, and what each held type leaves as.
#include "BridgeFixture.h"

#include "ComVariant.h"
#include "IDispatchAPI.h"

#include <cmath>
#include <functional>
#include <typeinfo>

using namespace FB;
using FB::ActiveX::fromVariant;
using FB::ActiveX::toVariant;

namespace {

class ConversionTest : public BridgeFixture {};

VARIANT make(VARTYPE type, const std::function<void(VARIANT&)>& fill) {
    VARIANT v;
    VariantInit(&v);
    fill(v);
    v.vt = type; // after the value: a DECIMAL fills the type field too
    return v;
}

TEST_F(ConversionTest, ScriptValuesArriveAsVariants) {
    DECIMAL decimal{};
    VarDecFromR8(2.25, &decimal);
    const struct {
        const char* name;
        VARIANT value;
        const std::type_info& type;
        std::string text; // the variant as text, where it has one
    } cases[] = {
        {"VT_EMPTY", make(VT_EMPTY, [](VARIANT&) {}), typeid(void), ""},
        {"VT_I1", make(VT_I1, [](VARIANT& v) { v.cVal = -5; }), typeid(long), "-5"},
        {"VT_UI1", make(VT_UI1, [](VARIANT& v) { v.bVal = 200; }), typeid(long), "200"},
        {"VT_I2", make(VT_I2, [](VARIANT& v) { v.iVal = -300; }), typeid(long), "-300"},
        {"VT_UI2", make(VT_UI2, [](VARIANT& v) { v.uiVal = 60000; }), typeid(long), "60000"},
        {"VT_I4", make(VT_I4, [](VARIANT& v) { v.lVal = -70000; }), typeid(long), "-70000"},
        {"VT_INT", make(VT_INT, [](VARIANT& v) { v.intVal = 12; }), typeid(long), "12"},
        {"VT_UI4", make(VT_UI4, [](VARIANT& v) { v.ulVal = 4000000000UL; }), typeid(unsigned long),
         "4000000000"},
        {"VT_UINT", make(VT_UINT, [](VARIANT& v) { v.uintVal = 7; }), typeid(unsigned long), "7"},
        {"VT_I8", make(VT_I8, [](VARIANT& v) { v.llVal = -5000000000LL; }), typeid(long long),
         "-5000000000"},
        {"VT_UI8", make(VT_UI8, [](VARIANT& v) { v.ullVal = 18446744073709551615ULL; }),
         typeid(unsigned long long), "18446744073709551615"},
        {"VT_R4", make(VT_R4, [](VARIANT& v) { v.fltVal = 1.5f; }), typeid(double), "1.5"},
        {"VT_R8", make(VT_R8, [](VARIANT& v) { v.dblVal = -0.25; }), typeid(double), "-0.25"},
        {"VT_DECIMAL", make(VT_DECIMAL, [&](VARIANT& v) { v.decVal = decimal; }), typeid(double),
         "2.25"},
        {"VT_BOOL", make(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }), typeid(bool),
         "true"},
        {"VT_BOOL false", make(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_FALSE; }),
         typeid(bool), "false"},
        {"VT_BSTR",
         make(VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L"\u043a\u043b\u044e\u0447"); }),
         typeid(std::string), "\xd0\xba\xd0\xbb\xd1\x8e\xd1\x87"},
        {"VT_DATE", make(VT_DATE, [](VARIANT& v) { v.date = 45000.5; }), typeid(void), ""},
        {"VT_CY", make(VT_CY, [](VARIANT& v) { v.cyVal.int64 = 10000; }), typeid(void), ""},
        {"VT_UNKNOWN null", make(VT_UNKNOWN, [](VARIANT& v) { v.punkVal = nullptr; }), typeid(void),
         ""},
        {"VT_BYREF|VT_I4", make(VT_BYREF | VT_I4, [](VARIANT& v) { v.plVal = nullptr; }),
         typeid(void), ""},
    };
    for (const auto& c : cases) {
        const variant value = fromVariant(host, c.value);
        const std::type_info& held =
            value.holds<variant_detail::empty>() ? typeid(void) : value.held_type();
        EXPECT_EQ(held, c.type) << c.name << ": " << value.held_type().name();
        if (!c.text.empty()) {
            EXPECT_EQ(value.convert_to<std::string>(), c.text) << c.name;
        }
        VariantClear(const_cast<VARIANT*>(&c.value));
    }
    VARIANT null = make(VT_NULL, [](VARIANT&) {});
    EXPECT_TRUE(fromVariant(host, null).is_null());
    VARIANT noObject = make(VT_DISPATCH, [](VARIANT& v) { v.pdispVal = nullptr; });
    EXPECT_TRUE(fromVariant(host, noObject).is_null());
}

TEST_F(ConversionTest, APageObjectArrivesAsAPageObject) {
    // Our own wrapper stands in for a page object here: it reports what it wraps.
    VARIANT value = make(VT_DISPATCH, [&](VARIANT& v) {
        v.pdispVal = wrapper.get();
        v.pdispVal->AddRef();
    });
    const variant converted = fromVariant(host, value);
    VariantClear(&value);
    const auto page = converted.convert_to<JSObjectPtr>();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->GetJSAPI(), object);
    EXPECT_EQ(converted.convert_to<std::shared_ptr<TestObject>>(), object);
}

TEST_F(ConversionTest, VariantsLeaveAsScriptValues) {
    const struct {
        const char* name;
        variant value;
        VARTYPE type;
        std::wstring text; // the VARIANT changed to text, where it has one
    } cases[] = {
        {"bool", variant(true), VT_BOOL, L""},
        {"char", variant('A'), VT_I1, L"65"},
        {"unsigned char", variant(static_cast<unsigned char>(250)), VT_UI1, L"250"},
        {"short", variant(static_cast<short>(-2)), VT_I2, L"-2"},
        {"unsigned short", variant(static_cast<unsigned short>(65535)), VT_UI2, L"65535"},
        {"int", variant(-7), VT_I4, L"-7"},
        {"long", variant(-8L), VT_I4, L"-8"},
        {"unsigned int", variant(4000000000U), VT_UI4, L"4000000000"},
        {"unsigned long", variant(9UL), VT_UI4, L"9"},
        {"long long", variant(-5000000000LL), VT_I8, L"-5000000000"},
        {"unsigned long long", variant(18446744073709551615ULL), VT_UI8, L"18446744073709551615"},
        {"float", variant(0.5f), VT_R4, L""},
        {"double", variant(2.5), VT_R8, L""},
        {"string", variant(std::string("\xd0\xba\xd0\xbb\xd1\x8e\xd1\x87")), VT_BSTR,
         L"\u043a\u043b\u044e\u0447"},
        {"wstring", variant(std::wstring(L"wide")), VT_BSTR, L"wide"},
        {"null", variant(variant_detail::null()), VT_NULL, L""},
        {"empty", variant(), VT_EMPTY, L""},
        {"other type", variant(std::vector<int>{1}), VT_EMPTY, L""},
        {"list without a page window", variant(VariantList{variant(1)}), VT_EMPTY, L""},
        {"map without a page window", variant(VariantMap{{"a", variant(1)}}), VT_EMPTY, L""},
    };
    for (const auto& c : cases) {
        Value out;
        toVariant(host, c.value, out.v);
        EXPECT_EQ(out.v.vt, c.type) << c.name;
        if (!c.text.empty()) {
            Value changed;
            ASSERT_EQ(VariantChangeType(&changed.v, &out.v, 0, VT_BSTR), S_OK) << c.name;
            EXPECT_EQ(std::wstring(changed.v.bstrVal), c.text) << c.name;
        }
    }
    Value boolean;
    toVariant(host, variant(true), boolean.v);
    EXPECT_EQ(boolean.v.boolVal, VARIANT_TRUE);
    Value floating;
    toVariant(host, variant(0.5f), floating.v);
    EXPECT_EQ(floating.v.fltVal, 0.5f);
}

TEST_F(ConversionTest, ScriptingObjectsLeaveAsOneWrapperEach) {
    Value first, second, root;
    const auto other = std::make_shared<TestObject>();
    toVariant(host, variant(JSAPIPtr(other)), first.v);
    toVariant(host, variant(JSAPIWeakPtr(other)), second.v);
    ASSERT_EQ(first.v.vt, VT_DISPATCH);
    EXPECT_EQ(first.v.pdispVal, second.v.pdispVal);
    // A page object goes back as its own dispatch pointer.
    const auto page = std::make_shared<ActiveX::IDispatchAPI>(wrapper.get(), host);
    toVariant(host, variant(JSObjectPtr(page)), root.v);
    ASSERT_EQ(root.v.vt, VT_DISPATCH);
    EXPECT_EQ(root.v.pdispVal, static_cast<IDispatch*>(wrapper.get()));
}

} // namespace
