#include "JsonValue.h"
#include "MemoryStreams.h"
#include "PageFunction.h"
#include "TestBrowserHost.h"
#include "script_error.h"

#include <gtest/gtest.h>

#include <climits>

using namespace FB::NativeMessaging;

namespace {

FB::variant parse(const std::string& json) {
    return fromJson(Json::parse(json), [](std::int64_t) -> FB::JSObjectPtr { return nullptr; });
}

std::string dump(const FB::variant& value) {
    return toJson(value).dump();
}

} // namespace

TEST(JsonValue, PageValuesBecomeTheVariantsABrowserDelivers) {
    struct Case {
        const char* json;
        const std::type_info& held;
        std::string text; // the value converted to text, where it has one
    };
    const Case cases[] = {
        {"42", typeid(int), "42"},
        {"-7", typeid(int), "-7"},
        {"2147483647", typeid(int), "2147483647"},
        {"2147483648", typeid(double), "2.14748e+09"},
        {"-2147483649", typeid(double), "-2.14748e+09"},
        {"2.5", typeid(double), "2.5"},
        {"\"text\"", typeid(std::string), "text"},
        {"\"\"", typeid(std::string), ""},
        {"true", typeid(bool), "true"},
    };
    for (const Case& c : cases) {
        const FB::variant value = parse(c.json);
        EXPECT_EQ(value.held_type(), c.held) << c.json;
        EXPECT_EQ(value.convert_to<std::string>(), c.text) << c.json;
    }
    EXPECT_TRUE(parse("null").is_null());
    EXPECT_FALSE(parse("null").is_empty());
    EXPECT_TRUE(parse("{\"$undefined\":true}").is_empty());
}

TEST(JsonValue, ArraysAndTaggedMapsNest) {
    const FB::variant list = parse("[1,\"a\",[true],{\"$map\":{\"k\":null,\"n\":2}}]");
    const auto& items = list.exact_cast<FB::VariantList>();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].exact_cast<int>(), 1);
    EXPECT_EQ(items[1].exact_cast<std::string>(), "a");
    EXPECT_TRUE(items[2].exact_cast<FB::VariantList>()[0].exact_cast<bool>());
    const auto& map = items[3].exact_cast<FB::VariantMap>();
    EXPECT_TRUE(map.at("k").is_null());
    EXPECT_EQ(map.at("n").exact_cast<int>(), 2);
}

TEST(JsonValue, AFunctionIdIsMadeIntoThePageObjectThatStandsForIt) {
    std::vector<std::int64_t> made;
    const auto host = TestBrowserHost::create();
    const auto writer = std::make_shared<MessageWriter>(std::make_shared<MemorySink>());
    const FB::variant value =
        fromJson(Json::parse("{\"$fn\":12}"), [&](std::int64_t id) -> FB::JSObjectPtr {
            made.push_back(id);
            return std::make_shared<PageFunction>(host, writer, "e1", id);
        });
    EXPECT_EQ(made, std::vector<std::int64_t>{12});
    const auto function = value.convert_to<FB::JSObjectPtr>();
    ASSERT_TRUE(function);
    // And it goes back to the page as the same id.
    EXPECT_EQ(dump(value), "{\"$fn\":12}");
}

TEST(JsonValue, ObjectsOfNoKnownFormAreRefused) {
    for (const char* json : {"{}", "{\"a\":1}", "{\"$fn\":\"1\"}", "{\"$map\":[]}",
                             "{\"$undefined\":false}", "{\"$fn\":1,\"x\":2}"})
        EXPECT_THROW(parse(json), FB::invalid_arguments) << json;
}

TEST(JsonValue, ValuesNestedTooDeepAreRefusedBeforeTheyExhaustTheStack) {
    const auto nested = [](std::size_t depth) {
        return std::string(depth, '[') + std::string(depth, ']');
    };
    EXPECT_NO_THROW(parse(nested(64)));
    EXPECT_THROW(parse(nested(65)), FB::invalid_arguments);
    // As deep as a message of the protocol's size could nest.
    EXPECT_THROW(parse(nested(1'000'000)), FB::invalid_arguments);
    std::string maps = "1";
    for (int i = 0; i < 65; ++i)
        maps = "{\"$map\":{\"a\":" + maps + "}}";
    EXPECT_THROW(parse(maps), FB::invalid_arguments);
}

TEST(JsonValue, ResultsReachThePageAsInTheOtherFaces) {
    EXPECT_EQ(dump(FB::variant(-20)), "-20");
    EXPECT_EQ(dump(FB::variant(true)), "true");
    EXPECT_EQ(dump(FB::variant(0.5)), "0.5");
    EXPECT_EQ(dump(FB::variant(std::string("0AFF"))), "\"0AFF\"");
    EXPECT_EQ(dump(FB::variant(std::wstring(L"\x0416"))), "\"\xD0\x96\"");
    EXPECT_EQ(dump(FB::variant(FB::variant_detail::null())), "null");
    EXPECT_EQ(dump(FB::variant()), "{\"$undefined\":true}");
    // Unsigned and 64-bit integers as decimal text.
    EXPECT_EQ(dump(FB::variant(7ul)), "\"7\"");
    EXPECT_EQ(dump(FB::variant(4294967296ll)), "\"4294967296\"");
    EXPECT_EQ(dump(FB::variant(UINT_MAX)), "\"4294967295\"");
    EXPECT_EQ(dump(FB::variant(FB::VariantList{FB::variant(1), FB::variant("a")})), "[1,\"a\"]");
    EXPECT_EQ(dump(FB::variant(FB::VariantMap{{"x", FB::variant(1)}})), "{\"$map\":{\"x\":1}}");
}

TEST(JsonValue, ValuesWithoutAPageFormAreRefused) {
    struct Opaque {
        bool operator<(const Opaque&) const { return false; }
    };
    EXPECT_THROW(dump(FB::variant(Opaque())), FB::script_error);
    EXPECT_THROW(dump(FB::variant(FB::JSAPIPtr())), FB::script_error);
}
