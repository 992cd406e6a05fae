#include "variant.h"
#include "FakeObjects.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <set>
#include <string>

using FB::bad_variant_cast;
using FB::variant;

namespace {

// One conversion: the value expected, or no value when the conversion must fail.
template <class T> struct Case {
    variant from;
    std::optional<T> expected;
};

template <class T> void checkConversions(const std::vector<Case<T>>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const Case<T>& c = cases[i];
        if (c.expected) {
            EXPECT_EQ(c.from.template convert_to<T>(), *c.expected);
        } else {
            EXPECT_THROW(c.from.template convert_to<T>(), bad_variant_cast);
        }
    }
}

const variant kEmpty;
const variant kNull{FB::variant_detail::null()};
const variant kUndefined{FB::variant_detail::empty()};

} // namespace

TEST(Variant, EmptyAndNullAreDistinct) {
    EXPECT_TRUE(kEmpty.is_empty());
    EXPECT_EQ(kEmpty.held_type(), typeid(void));
    EXPECT_TRUE(kUndefined.is_empty());
    EXPECT_FALSE(kUndefined.is_null());
    EXPECT_TRUE(kNull.is_null());
    EXPECT_FALSE(kNull.is_empty());

    variant v(5);
    EXPECT_FALSE(v.is_empty());
    v.reset();
    EXPECT_TRUE(v.is_empty());
    EXPECT_FALSE(v.holds<int>());
}

TEST(Variant, LiteralsAreStoredAsStringsOtherValuesAsThemselves) {
    EXPECT_TRUE(variant("abc").holds<std::string>());
    EXPECT_TRUE(variant(L"abc").holds<std::wstring>());
    char buffer[] = "xy";
    EXPECT_EQ(variant(buffer).exact_cast<std::string>(), "xy");
    const variant error(std::make_shared<FB::script_error>("stored"));
    EXPECT_STREQ(error.convert_to<std::shared_ptr<FB::script_error>>()->what(), "stored");
}

TEST(Variant, ExactCastDoesNotConvert) {
    const variant number(7);
    EXPECT_EQ(number.exact_cast<int>(), 7);
    EXPECT_THROW(number.exact_cast<long>(), bad_variant_cast);
    EXPECT_EQ(number.convert_to<long>(), 7L);
}

TEST(Variant, BadCastNamesBothTypesReadably) {
    try {
        variant(std::string("a")).exact_cast<int>();
        FAIL() << "no exception";
    } catch (const std::bad_cast& e) {
        EXPECT_STREQ(e.what(), "bad cast");
        const auto& cast = dynamic_cast<const bad_variant_cast&>(e);
        EXPECT_EQ(cast.from, "std::string");
        EXPECT_EQ(cast.to, "int");
    }
    try {
        variant(FB::VariantList()).convert_to<std::wstring>();
        FAIL() << "no exception";
    } catch (const bad_variant_cast& e) {
        EXPECT_EQ(e.from, "FB::VariantList");
        EXPECT_EQ(e.to, "std::wstring");
    }
}

TEST(Variant, ConvertsToInt) {
    checkConversions<int>({
        {7, 7},
        {2.9, 2},
        {-2.9, -2},
        {1e10, std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt},
        {4294967296LL, std::nullopt},
        {2147483647LL, 2147483647},
        {-2147483648.5, -2147483647 - 1},
        {2147483648ULL, std::nullopt},
        {3.5f, 3},
        {'A', 65},
        {true, 1},
        {false, 0},
        {" 42xyz", 42},
        {"-17", -17},
        {"99999999999", std::nullopt},
        {"", std::nullopt},
        {"x", std::nullopt},
        {L" 17", 17},
        {kEmpty, std::nullopt},
        {kNull, std::nullopt},
        {FB::VariantList{variant(1)}, std::nullopt},
    });
}

TEST(Variant, ConvertsToUnsignedTypes) {
    checkConversions<unsigned long>({
        {-1, std::nullopt},
        {-1LL, std::nullopt},
        {-0.5, 0UL},
        {4294967295U, 4294967295UL},
        {"-5", std::nullopt},
        {"-0", 0UL},
        {"12", 12UL},
    });
    checkConversions<unsigned long long>({
        {std::numeric_limits<unsigned long long>::max(),
         std::numeric_limits<unsigned long long>::max()},
        {18446744073709551616.0, std::nullopt},
        {1.8e19, 18000000000000000000ULL},
        {" -3", std::nullopt},
    });
    checkConversions<unsigned short>(
        {{65535, 65535}, {65536, std::nullopt}, {"70000", std::nullopt}});
}

TEST(Variant, ConvertsToSignedTypesWithRangeTests) {
    checkConversions<long>({
        {7, 7L},
        {std::numeric_limits<unsigned long long>::max(), std::nullopt},
        {-1e300, std::nullopt},
    });
    checkConversions<short>({{-32768, -32768}, {40000, std::nullopt}, {-32769.0, std::nullopt}});
    checkConversions<long long>({{-9.2e18, -9200000000000000000LL}, {9.3e18, std::nullopt}});
}

TEST(Variant, ConvertsToFloatingPoint) {
    checkConversions<double>({
        {2, 2.0},
        {std::numeric_limits<unsigned long long>::max(), 18446744073709551615.0},
        {1.5f, 1.5},
        {" 2.5e3 apples", 2500.0},
        {true, 1.0},
        {"", std::nullopt},
        {kNull, std::nullopt},
    });
    checkConversions<float>({{1.5, 1.5f}, {1e300, std::nullopt}, {-1e300, std::nullopt}});
}

TEST(Variant, ConvertsToBool) {
    checkConversions<bool>({
        {true, true},
        {"TRUE", true},
        {"Yes", true},
        {"t", true},
        {"1", true},
        {"y", true},
        {"0", false},
        {"no", false},
        {"false", false},
        {"", false},
        {"yes please", false},
        {L"TrUe", true},
        {L"nope", false},
        {2, true},
        {0, false},
        {0.5, false},
        {-3.0, true},
        {kEmpty, std::nullopt},
        {kNull, std::nullopt},
        {FB::VariantMap(), std::nullopt},
    });
}

TEST(Variant, ConvertsToString) {
    checkConversions<std::string>({
        {"abc", "abc"},
        {3.14159265, "3.14159"},
        {-12, "-12"},
        {std::numeric_limits<unsigned long long>::max(), "18446744073709551615"},
        {0.1f, "0.1"},
        {true, "true"},
        {false, "false"},
        {L"\u00e9t\u00e9", "\xc3\xa9t\xc3\xa9"},
        {'x', "x"},
        {static_cast<unsigned char>('z'), "z"},
        {std::wstring(1, static_cast<wchar_t>(0xD800)), std::nullopt},
        {kEmpty, std::nullopt},
        {kNull, std::nullopt},
        {FB::VariantList(), std::nullopt},
    });
}

TEST(Variant, ConvertsToWideString) {
    checkConversions<std::wstring>({
        {L"abc", L"abc"},
        {"\xc3\xa9t\xc3\xa9", L"\u00e9t\u00e9"},
        {5, L"5"},
        {"\xff", std::nullopt},
        {kEmpty, std::nullopt},
    });
}

TEST(Variant, OptionalIsNoneForEmptyAndNull) {
    checkConversions<std::optional<std::string>>({
        {kEmpty, std::optional<std::string>()},
        {kNull, std::optional<std::string>()},
        {"x", std::optional<std::string>("x")},
        {5, std::optional<std::string>("5")},
        {FB::VariantList(), std::nullopt},
    });
    EXPECT_FALSE(kNull.convert_to<std::optional<FB::JSObjectPtr>>());
    EXPECT_THROW(variant(3).convert_to<std::optional<FB::JSObjectPtr>>(), bad_variant_cast);
}

TEST(Variant, OrdersValuesOfOneTypeAndSeparatesTypes) {
    EXPECT_TRUE(variant(1) < variant(2));
    EXPECT_FALSE(variant(2) < variant(1));
    EXPECT_TRUE(variant("a") < variant("b"));
    EXPECT_NE(variant(1) < variant("a"), variant("a") < variant(1));
    const std::set<variant> values{variant(1), variant("a"), variant(2), variant(1), variant("a")};
    EXPECT_EQ(values.size(), 3U);
}

TEST(VariantObjects, DerivedObjectsAreHeldAsScriptingObjects) {
    EXPECT_TRUE(variant(std::make_shared<FakePluginObject>()).holds<FB::JSAPIPtr>());
    EXPECT_TRUE(variant(std::make_shared<FakePageObject>()).holds<FB::JSObjectPtr>());
}

TEST(VariantObjects, ConvertsToPageObject) {
    const auto page = std::make_shared<FakePageObject>();
    const FB::JSAPIPtr plugin = std::make_shared<FakePluginObject>();
    EXPECT_EQ(kNull.convert_to<FB::JSObjectPtr>(), nullptr);
    EXPECT_EQ(kEmpty.convert_to<FB::JSObjectPtr>(), nullptr);
    EXPECT_EQ(variant(page).convert_to<FB::JSObjectPtr>(), page);
    EXPECT_EQ(variant(FB::JSAPIPtr(page)).convert_to<FB::JSObjectPtr>(), page);
    EXPECT_THROW(variant(3).convert_to<FB::JSObjectPtr>(), bad_variant_cast);
    EXPECT_THROW(variant(plugin).convert_to<FB::JSObjectPtr>(), bad_variant_cast);

    EXPECT_TRUE(kNull.can_convert_to<FB::JSObjectPtr>());
    EXPECT_TRUE(variant(page).can_convert_to<FB::JSObjectPtr>());
    EXPECT_FALSE(variant(3).can_convert_to<FB::JSObjectPtr>());
}

TEST(VariantObjects, ConvertsToPluginObjectUnwrappingPageObjects) {
    const auto plugin = std::make_shared<FakePluginObject>();
    const auto otherPlugin = std::make_shared<FakePageObject>();
    const auto wrapper = std::make_shared<FakePageObject>(FB::VariantMap(), plugin);
    const auto plainPage = std::make_shared<FakePageObject>();

    EXPECT_EQ(variant(plugin).convert_to<FB::JSAPIPtr>(), plugin);
    EXPECT_EQ(variant(wrapper).convert_to<FB::JSAPIPtr>(), plugin);
    EXPECT_EQ(variant(plainPage).convert_to<FB::JSAPIPtr>(), plainPage);
    EXPECT_EQ(variant(wrapper).convert_to<std::shared_ptr<FakePluginObject>>(), plugin);
    EXPECT_EQ(variant(plugin).convert_to<std::shared_ptr<FakePluginObject>>(), plugin);

    // The wrapper is a page object itself, so asking for one gives the wrapper.
    EXPECT_EQ(variant(wrapper).convert_to<FB::JSObjectPtr>(), wrapper);

    const auto wrapsOther = std::make_shared<FakePageObject>(FB::VariantMap(), otherPlugin);
    try {
        variant(wrapsOther).convert_to<std::shared_ptr<FakePluginObject>>();
        FAIL() << "no exception";
    } catch (const bad_variant_cast& e) {
        EXPECT_NE(e.to.find("FakePluginObject"), std::string::npos) << e.to;
    }
    EXPECT_THROW(variant("x").convert_to<FB::JSAPIPtr>(), bad_variant_cast);
}

TEST(VariantObjects, WeakPointersAreLockedAndExpiredOnesGiveNull) {
    auto plugin = std::make_shared<FakePluginObject>();
    const variant weak{FB::JSAPIWeakPtr(plugin)};
    EXPECT_EQ(weak.convert_to<FB::JSAPIPtr>(), plugin);
    plugin.reset();
    EXPECT_EQ(weak.convert_to<FB::JSAPIPtr>(), nullptr);
}

TEST(VariantLists, ReadsPageArrayByIndex) {
    const auto array = std::make_shared<FakePageObject>(
        FB::VariantMap{{"length", 3}, {"0", "a"}, {"1", 2}, {"2", true}, {"x", 9}});
    const FB::VariantList list = variant(array).convert_to<FB::VariantList>();
    ASSERT_EQ(list.size(), 3U);
    EXPECT_EQ(list[0].exact_cast<std::string>(), "a");
    EXPECT_EQ(list[1].exact_cast<int>(), 2);
    EXPECT_EQ(list[2].exact_cast<bool>(), true);

    const auto none = std::make_shared<FakePageObject>(FB::VariantMap{{"length", 0}});
    EXPECT_TRUE(variant(none).convert_to<FB::VariantList>().empty());

    const FB::VariantList held{variant(1), variant("b")};
    EXPECT_EQ(variant(held).convert_to<FB::VariantList>().size(), 2U);
}

TEST(VariantLists, PageArrayLongerThanTheLimitIsRefusedUnread) {
    // A page's {length: 2147483647} would otherwise be read element by element.
    const int limit = FB::variant_detail::maxPageArrayLength;
    for (const int length : {limit + 1, std::numeric_limits<int>::max()}) {
        const auto array = std::make_shared<FakePageObject>(FB::VariantMap{{"length", length}});
        array->properties["0"] = variant("first");
        EXPECT_THROW(variant(array).convert_to<FB::VariantList>(), bad_variant_cast) << length;
    }
    const auto longest = std::make_shared<FakePageObject>(FB::VariantMap{{"length", limit}});
    EXPECT_EQ(variant(longest).convert_to<FB::VariantList>().size(), std::size_t(limit));
}

TEST(VariantLists, ReadsPageObjectMembersIntoMap) {
    const auto object = std::make_shared<FakePageObject>(FB::VariantMap{{"a", 1}, {"b", "x"}});
    const FB::VariantMap map = variant(object).convert_to<FB::VariantMap>();
    ASSERT_EQ(map.size(), 2U);
    EXPECT_EQ(map.at("a").exact_cast<int>(), 1);
    EXPECT_EQ(map.at("b").exact_cast<std::string>(), "x");
    EXPECT_EQ(variant(FB::VariantMap{{"k", 1}}).convert_to<FB::VariantMap>().size(), 1U);
}

TEST(VariantLists, NonObjectsFailNamingThePageObjectType) {
    for (const variant& v : {variant(3), kNull, kEmpty}) {
        try {
            v.convert_to<FB::VariantList>();
            FAIL() << "no exception";
        } catch (const bad_variant_cast& e) {
            EXPECT_EQ(e.to, "std::shared_ptr<FB::JSObject>");
        }
        EXPECT_THROW(v.convert_to<FB::VariantMap>(), bad_variant_cast);
    }
}

TEST(VariantLists, PageFailureWhileReadingPassesThrough) {
    const auto array = std::make_shared<FakePageObject>(FB::VariantMap{{"length", 1}});
    array->failReads = true;
    EXPECT_THROW(variant(array).convert_to<FB::VariantList>(), FB::script_error);
    EXPECT_THROW(variant(array).convert_to<FB::VariantMap>(), FB::script_error);
}
