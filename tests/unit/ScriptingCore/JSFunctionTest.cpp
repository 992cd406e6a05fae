#include "JSFunction.h"
#include "FakeObjects.h"
#include "JSAPIAuto.h"

#include <gtest/gtest.h>

using FB::variant;
using FB::VariantList;

namespace {

// A plug-in object whose method "take" records the arguments and the level it ran at.
class Owner : public FB::JSAPIAuto {
public:
    Owner() {
        RegisterMethod("take", [this](const VariantList& args) {
            taken.push_back(texts(args));
            levels.push_back(GetZone());
            return variant(static_cast<int>(args.size()));
        });
        PushZone(1);
        RegisterMethod("secret", [this](const VariantList&) {
            levels.push_back(GetZone());
            return variant("hidden");
        });
        RegisterMethod(
            "fail", [](const VariantList&) -> variant { throw FB::script_error("failed inside"); });
        PopZone();
    }

    static std::vector<std::string> texts(const VariantList& values) {
        std::vector<std::string> out;
        for (const variant& value : values)
            out.push_back(value.convert_to<std::string>());
        return out;
    }

    std::vector<std::vector<std::string>> taken;
    std::vector<FB::AccessZone> levels;
};

std::string messageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const FB::script_error& e) {
        return e.what();
    }
    return "(no exception)";
}

} // namespace

TEST(JSFunction, DirectCallCallAndApplyReachTheMethodWithTheSameArguments) {
    const auto owner = std::make_shared<Owner>();
    const FB::JSAPIPtr take = owner->GetProperty("take").convert_to<FB::JSAPIPtr>();
    ASSERT_NE(std::dynamic_pointer_cast<FB::JSFunction>(take), nullptr);

    const variant self("this");
    const auto array =
        std::make_shared<FakePageObject>(FB::VariantMap{{"length", 2}, {"0", "a"}, {"1", 2}});
    const std::vector<std::string> ab{"a", "2"};
    const struct {
        const char* name;
        VariantList args;
        std::vector<std::string> expected;
    } cases[] = {
        {"", {variant("a"), variant(2)}, ab},
        {"call", {self, variant("a"), variant(2)}, ab},
        {"apply", {self, variant(VariantList{variant("a"), variant(2)})}, ab},
        {"apply", {self, variant(FB::JSObjectPtr(array))}, ab},
        {"apply", {self}, {}},
        {"apply", {self, variant()}, {}},
        {"apply", {self, variant(FB::variant_detail::null())}, {}},
        {"apply", {}, {}},
        {"call", {self}, {}},
        {"call", {}, {}},
    };
    for (const auto& c : cases) {
        owner->taken.clear();
        EXPECT_EQ(take->Invoke(c.name, c.args).convert_to<int>(), int(c.expected.size())) << c.name;
        ASSERT_EQ(owner->taken.size(), 1U) << c.name;
        EXPECT_EQ(owner->taken[0], c.expected) << c.name;
    }
}

TEST(JSFunction, MembersOfAMethodObject) {
    const auto owner = std::make_shared<Owner>();
    const FB::JSAPIPtr take = owner->GetMethodObject("take");
    for (const char* name : {"", "call", "apply", "toString"})
        EXPECT_TRUE(take->HasMethod(name)) << name;
    EXPECT_FALSE(take->HasMethod("take"));
    EXPECT_FALSE(take->HasProperty("call"));
    EXPECT_FALSE(take->HasProperty("apply"));
    EXPECT_TRUE(take->HasProperty("anything"));
    EXPECT_EQ(take->Invoke("toString", {}).convert_to<std::string>(),
              "<JSAPI-Auto Javascript Object>");
    EXPECT_TRUE(owner->taken.empty());
}

TEST(JSFunction, SameMethodObjectEachTime) {
    const auto owner = std::make_shared<Owner>();
    const FB::JSAPIPtr first = owner->GetMethodObject("take");
    EXPECT_EQ(owner->GetMethodObject("take"), first);
    EXPECT_EQ(owner->GetProperty("take").convert_to<FB::JSAPIPtr>(), first);
}

TEST(JSFunction, RunsAtTheLevelItWasReadAt) {
    const auto owner = std::make_shared<Owner>();
    EXPECT_EQ(messageOf([&] { owner->Invoke("secret", {}); }),
              "The specified member does not exist: secret");
    owner->PushZone(1);
    const FB::JSAPIPtr secret = owner->GetMethodObject("secret");
    const FB::JSAPIPtr fail = owner->GetMethodObject("fail");
    owner->PopZone();

    EXPECT_EQ(secret->Invoke("", {}).convert_to<std::string>(), "hidden");
    EXPECT_EQ(owner->levels, std::vector<FB::AccessZone>{1});
    EXPECT_EQ(owner->GetZone(), 0);
    EXPECT_EQ(messageOf([&] { fail->Invoke("call", {}); }), "failed inside");
    EXPECT_EQ(owner->GetZone(), 0) << "the level is popped when the method throws";
}

TEST(JSFunction, MethodObjectOfAnOwnerThatIsGoneFails) {
    auto owner = std::make_shared<Owner>();
    const FB::JSAPIPtr take = owner->GetMethodObject("take");
    owner.reset();
    for (const char* name : {"", "call", "apply"})
        EXPECT_EQ(messageOf([&] { take->Invoke(name, {}); }), "Invalid JSAPI object") << name;
}
