#include "JSAPIAuto.h"
#include "FakeObjects.h"
#include "JoiningThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using FB::variant;
using FB::VariantList;

namespace {

class Calculator : public FB::JSAPIAuto {
public:
    Calculator() : JSAPIAuto("<Calculator>") {
        RegisterMethod("add", FB::make_method(this, &Calculator::add));
        RegisterMethod("sum5", FB::make_method(this, &Calculator::sum5));
        RegisterMethod("sum6", FB::make_method(this, &Calculator::sum6));
        RegisterMethod("greet", FB::make_method(this, &Calculator::greet));
        RegisterMethod("clear", FB::make_method(this, &Calculator::clear));
        RegisterMethod("strict", FB::make_method(this, &Calculator::strict));
        RegisterMethod(L"wide", FB::make_method(this, &Calculator::clear));
        RegisterProperty("count",
                         FB::make_property(this, &Calculator::getCount, &Calculator::setCount));
        RegisterProperty("label", FB::make_property(this, &Calculator::getLabel));
        RegisterAttribute("fixed", 1, true);
    }

    int count = 0;
    int clears = 0;

private:
    int add(int a, int b) { return a + b; }
    int sum5(int a, int b, int c, int d, int e) const { return a + b + c + d + e; }
    int sum6(int a, int b, int c, int d, int e, int f) { return a + b + c + d + e + f; }
    std::string greet(const std::string& name, std::optional<std::string> title) {
        return "Hello " + (title ? *title + " " : std::string()) + name;
    }
    void clear() { ++clears; }
    // A conversion failing inside the method itself.
    int strict(const variant& value) { return value.exact_cast<int>(); }
    int getCount() const { return count; }
    void setCount(int value) { count = value; }
    std::string getLabel() const { return "calc"; }
};

// Hands out a fresh plug-in object as the method object of each name and level.
class WithMethodObjects : public FB::JSAPIAuto {
public:
    std::vector<std::pair<std::string, FB::AccessZone>> created;

protected:
    FB::JSAPIPtr CreateMethodObject(const std::string& name, FB::AccessZone level) override {
        created.emplace_back(name, level);
        return std::make_shared<FakePluginObject>();
    }
};

std::string messageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const FB::script_error& e) {
        return e.what();
    }
    return "(no exception)";
}

std::string member(const std::string& name) {
    return "The specified member does not exist: " + name;
}

} // namespace

TEST(MethodWrappers, ConvertArgumentsOrReportTheHighestWrongPosition) {
    struct Case {
        const char* method;
        VariantList args;
        variant result;
        const char* error;
    };
    const Case cases[] = {
        {"add", {1, 2}, 3, nullptr},
        {"add", {"5", 6.9}, 11, nullptr},
        {"add", {1, 2, 3}, {}, "Too many arguments, expected 2."},
        {"add", {1}, {}, "Error: Argument 2is not optional."},
        {"add", {}, {}, "Error: Argument 2is not optional."},
        {"add", {"a", "b"}, {}, "Invalid argument conversion from std::string to int at index 2"},
        {"add", {"a", 1}, {}, "Invalid argument conversion from std::string to int at index 1"},
        {"add",
         {FB::variant_detail::null(), 1},
         {},
         "Invalid argument conversion from FB::variant_detail::null to int at index 1"},
        {"sum5", {1, 2, 3, 4, 5, 6}, {}, "Too many arguments, expected 5."},
        {"sum5", {1, 2, 3, 4, 5}, 15, nullptr},
        {"sum6", {1, 2, 3, 4, 5, 6}, 21, nullptr},
        {"greet", {"Ann"}, "Hello Ann", nullptr},
        {"greet", {"Ann", "Dr"}, "Hello Dr Ann", nullptr},
        {"greet", {"Ann", FB::variant_detail::null()}, "Hello Ann", nullptr},
        {"greet", {}, {}, "Error: Argument 1is not optional."},
        {"greet",
         {VariantList(), VariantList()},
         {},
         "Invalid argument conversion from FB::VariantList to std::string at index 2"},
        {"strict", {"x"}, {}, "Could not convert from std::string to int"},
        {"clear", {1}, {}, "Too many arguments, expected 0."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + std::string(" with ") + std::to_string(c.args.size()));
        auto calc = std::make_shared<Calculator>();
        if (c.error) {
            EXPECT_EQ(messageOf([&] { calc->Invoke(c.method, c.args); }), c.error);
        } else {
            EXPECT_EQ(calc->Invoke(c.method, c.args).convert_to<std::string>(),
                      c.result.convert_to<std::string>());
        }
    }
}

TEST(MethodWrappers, VoidMethodReturnsEmpty) {
    Calculator calc;
    EXPECT_TRUE(calc.Invoke("clear", {}).is_empty());
    EXPECT_TRUE(calc.Invoke(L"wide", {}).is_empty());
    EXPECT_EQ(calc.clears, 2);
}

TEST(JSAPIAutoMembers, BareObjectListsBuiltInsSorted) {
    FB::JSAPIAuto object;
    std::vector<std::string> names{"stale"};
    object.GetMemberNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"getAttribute", "setAttribute", "toString", "valid",
                                               "value"}));
    EXPECT_EQ(object.GetMemberCount(), 5U);
    std::vector<std::wstring> wide;
    object.GetMemberNames(&wide);
    EXPECT_EQ(wide.front(), L"getAttribute");
    EXPECT_EQ(object.Invoke("toString", {}).convert_to<std::string>(),
              "<JSAPI-Auto Javascript Object>");
}

TEST(JSAPIAutoMembers, LookupRules) {
    Calculator calc;
    EXPECT_TRUE(calc.HasMethod("add"));
    EXPECT_TRUE(calc.HasMethod(L"toString"));
    EXPECT_FALSE(calc.HasMethod("count"));
    EXPECT_FALSE(calc.HasMethod(std::wstring(1, static_cast<wchar_t>(0xD800))));
    EXPECT_TRUE(calc.HasMethodObject("add"));

    EXPECT_TRUE(calc.HasProperty("count"));
    EXPECT_TRUE(calc.HasProperty("anything"));
    EXPECT_TRUE(calc.HasProperty("toString"));
    EXPECT_FALSE(calc.HasProperty("width"));
    EXPECT_FALSE(calc.HasProperty("constructor"));
    EXPECT_TRUE(calc.HasProperty(12));

    EXPECT_EQ(messageOf([&] { calc.Invoke("nothing", {}); }), member("nothing"));
    EXPECT_EQ(messageOf([&] { calc.Invoke("count", {}); }), member("count"));
    EXPECT_EQ(messageOf([&] { calc.Construct({}); }), member("constructor"));
    EXPECT_EQ(messageOf([&] { calc.RemoveProperty("nothing"); }), member("nothing"));
    EXPECT_EQ(messageOf([&] { calc.GetMethodObject("count"); }), member("count"));
}

TEST(JSAPIAutoMembers, UnknownNamesBecomeAttributes) {
    Calculator calc;
    EXPECT_TRUE(calc.GetProperty("note").is_empty());
    calc.SetProperty("note", 42);
    EXPECT_EQ(calc.GetProperty("note").convert_to<int>(), 42);
    EXPECT_EQ(calc.Invoke("getAttribute", {"note"}).convert_to<int>(), 42);
    EXPECT_TRUE(calc.Invoke("getAttribute", {"missing"}).is_empty());
    std::vector<std::string> names;
    calc.GetMemberNames(names);
    EXPECT_NE(std::find(names.begin(), names.end(), "note"), names.end());

    calc.Invoke("setAttribute", {"other", "x"});
    EXPECT_EQ(calc.GetProperty(L"other").convert_to<std::string>(), "x");

    calc.SetProperty(3, "third");
    EXPECT_EQ(calc.GetProperty(3).convert_to<std::string>(), "third");
    EXPECT_EQ(calc.GetProperty("3").convert_to<std::string>(), "third");
    EXPECT_TRUE(calc.GetProperty(4).is_empty());

    calc.RemoveProperty("note");
    EXPECT_TRUE(calc.GetProperty("note").is_empty());
}

TEST(JSAPIAutoMembers, PropertiesReadWriteAndConvert) {
    Calculator calc;
    calc.SetProperty("count", "7");
    EXPECT_EQ(calc.count, 7);
    EXPECT_EQ(calc.GetProperty("count").convert_to<int>(), 7);
    EXPECT_EQ(messageOf([&] { calc.SetProperty("count", "abc"); }),
              "Could not convert from std::string to int");

    calc.SetProperty("label", "changed");
    EXPECT_EQ(calc.GetProperty("label").convert_to<std::string>(), "calc");

    // Registered properties are never removed by script.
    calc.RemoveProperty("count");
    EXPECT_TRUE(calc.HasProperty("count"));
    EXPECT_EQ(calc.GetProperty("count").convert_to<int>(), 7);
}

TEST(JSAPIAutoMembers, ValidAndValueIgnoreWrites) {
    Calculator calc;
    calc.SetProperty("valid", false);
    calc.SetProperty("value", "other");
    EXPECT_TRUE(calc.GetProperty("valid").convert_to<bool>());
    EXPECT_EQ(calc.GetProperty("value").convert_to<std::string>(), "<Calculator>");
    EXPECT_TRUE(calc.Invoke("getAttribute", {"valid"}).is_empty());
}

TEST(JSAPIAutoMembers, WritingAMethodNameMakesAnAttributeBesideIt) {
    Calculator calc;
    calc.SetProperty("toString", 5);
    EXPECT_EQ(calc.Invoke("getAttribute", {"toString"}).convert_to<int>(), 5);
    EXPECT_EQ(calc.Invoke("toString", {}).convert_to<std::string>(), "<Calculator>");

    // Removing the attribute again leaves the method in place.
    calc.RemoveProperty("toString");
    EXPECT_TRUE(calc.Invoke("getAttribute", {"toString"}).is_empty());
    EXPECT_TRUE(calc.HasMethod("toString"));
    EXPECT_EQ(calc.Invoke("toString", {}).convert_to<std::string>(), "<Calculator>");
}

TEST(JSAPIAutoMembers, ReadOnlyAttributes) {
    Calculator calc;
    EXPECT_EQ(messageOf([&] { calc.SetAttribute("fixed", 2); }),
              "Cannot set read-only property fixed");
    EXPECT_EQ(messageOf([&] {
                  calc.Invoke("setAttribute", {"fixed", 2});
              }),
              "Cannot set read-only property fixed");
    calc.RemoveProperty("fixed");
    EXPECT_EQ(calc.GetProperty("fixed").convert_to<int>(), 1);
    EXPECT_EQ(messageOf([&] { calc.UnregisterAttribute("fixed"); }),
              "Cannot remove read-only property fixed");

    // A script write replaces it, since the object takes dynamic attributes.
    calc.SetProperty("fixed", 3);
    EXPECT_EQ(calc.GetProperty("fixed").convert_to<int>(), 3);
    calc.UnregisterAttribute("fixed");
    EXPECT_TRUE(calc.GetProperty("fixed").is_empty());
}

TEST(JSAPIAutoMembers, UnregisteredMembersDisappear) {
    Calculator calc;
    calc.UnregisterMethod(L"add");
    calc.UnregisterProperty("count");
    calc.UnregisterMethod("never-registered");
    EXPECT_FALSE(calc.HasMethod("add"));
    EXPECT_TRUE(calc.GetProperty("count").is_empty());
    std::vector<std::string> names;
    calc.GetMemberNames(names);
    EXPECT_EQ(std::find(names.begin(), names.end(), "add"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "count"), names.end());
}

TEST(JSAPIAutoMembers, InvalidatedObjectRefusesEverything) {
    Calculator calc;
    calc.Invalidate();
    EXPECT_FALSE(calc.HasMethod("toString"));
    EXPECT_FALSE(calc.HasProperty("count"));
    EXPECT_FALSE(calc.HasProperty(0));
    const std::string invalid = "This object is no longer valid";
    EXPECT_EQ(messageOf([&] { calc.Invoke("toString", {}); }), invalid);
    EXPECT_EQ(messageOf([&] { calc.GetProperty("count"); }), invalid);
    EXPECT_EQ(messageOf([&] { calc.GetProperty(0); }), invalid);
    EXPECT_EQ(messageOf([&] { calc.SetProperty("x", 1); }), invalid);
    EXPECT_EQ(messageOf([&] { calc.RemoveProperty("x"); }), invalid);
    EXPECT_EQ(messageOf([&] { calc.GetMethodObject("add"); }), invalid);
    EXPECT_EQ(messageOf([&] { calc.Construct({}); }), invalid);
}

TEST(JSAPIAutoZones, MembersAboveTheCurrentLevelAreHidden) {
    Calculator calc;
    calc.PushZone(2);
    calc.RegisterMethod("secret", FB::make_method(&calc, &Calculator::ToString));
    calc.PopZone();

    EXPECT_FALSE(calc.HasMethod("secret"));
    EXPECT_TRUE(calc.GetProperty("secret").is_empty());
    EXPECT_EQ(messageOf([&] { calc.Invoke("secret", {}); }), member("secret"));
    std::vector<std::string> names;
    calc.GetMemberNames(names);
    EXPECT_EQ(std::find(names.begin(), names.end(), "secret"), names.end());

    calc.PushZone(2);
    EXPECT_TRUE(calc.HasMethod("secret"));
    EXPECT_EQ(calc.Invoke("secret", {}).convert_to<std::string>(), "<Calculator>");
    calc.PopZone();
}

TEST(JSAPIAutoZones, CallsFromOtherThreadsWaitForTheBracket) {
    auto calc = std::make_shared<Calculator>();
    calc->PushZone(0);
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    JoiningThread other(
        [&] {
            started = true;
            calc->Invoke("clear", {});
            finished = true;
        },
        [&] { calc->PopZone(); });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(finished);
    EXPECT_EQ(calc->clears, 0);
    calc->PopZone();
    other.join();
    EXPECT_EQ(calc->clears, 1);
}

TEST(JSAPIAutoMethodObjects, CachedPerNameAndLevel) {
    WithMethodObjects object;
    const FB::JSAPIPtr first = object.GetMethodObject("toString");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(object.GetMethodObject(L"toString"), first);
    EXPECT_EQ(object.GetProperty("toString").convert_to<FB::JSAPIPtr>(), first);
    object.PushZone(1);
    EXPECT_NE(object.GetMethodObject("toString"), first);
    object.PopZone();
    EXPECT_EQ(object.created.size(), 2U);
    EXPECT_EQ(object.created[1], std::make_pair(std::string("toString"), 1));
}

TEST(JSAPIAutoEvents, AttributeHoldingAPageFunctionIsCalledToo) {
    Calculator calc;
    const auto handler = std::make_shared<FakePageObject>();
    calc.SetProperty("onping", handler);
    calc.SetProperty("onother", "not a function");
    calc.FireEvent("onping", {variant(1)});
    calc.FireEvent("onother", {});
    calc.FireEvent("onnothing", {});
    ASSERT_EQ(handler->asyncCalls.size(), 1U);
    EXPECT_EQ(handler->asyncCalls[0].first, "");
    EXPECT_EQ(handler->asyncCalls[0].second.at(0).convert_to<int>(), 1);
}
