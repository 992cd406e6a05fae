// The page's view of a scripting object: NPClass callbacks, built-in members, method objects
// and the translation of values both ways.
#include "NpapiFixture.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace npapitest {
namespace {

class NPJavascriptObjectTest : public NpapiFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
        api = scriptable();
        ASSERT_NE(api, nullptr);
    }

    NPIdentifier id(const char* name) { return browser.funcs().getstringidentifier(name); }
    bool hasMethod(const char* name) { return api->_class->hasMethod(api, id(name)); }
    bool hasProperty(const char* name) { return api->_class->hasProperty(api, id(name)); }
    TestObject& testObject() { return static_cast<TestObject&>(*factory->last->GetRootJSAPI()); }

    NPObject* api = nullptr;
};

TEST_F(NPJavascriptObjectTest, MethodsReadAsValuesAreProperties) {
    EXPECT_TRUE(hasMethod("toString"));
    EXPECT_FALSE(hasMethod("echo")); // method objects are on: reported as a property
    EXPECT_TRUE(hasProperty("echo"));
    EXPECT_TRUE(hasProperty("version"));
    for (const char* builtin : {"addEventListener", "removeEventListener", "getLastException"})
        EXPECT_TRUE(hasProperty(builtin)) << builtin;
    EXPECT_FALSE(hasProperty("toString"));
}

TEST_F(NPJavascriptObjectTest, MethodObjectCalledDirectlyOrThroughCallAndApply) {
    ASSERT_TRUE(get(api, "record"));
    ASSERT_TRUE(NPVARIANT_IS_OBJECT(result()));
    NPObject* method = browser.funcs().retainobject(NPVARIANT_TO_OBJECT(result()));

    fakenp::PageObject* array = nullptr;
    {
        NPVariant made;
        browser.window()->_class->invoke(browser.window(), id("Array"), nullptr, 0, &made);
        array = static_cast<fakenp::PageObject*>(NPVARIANT_TO_OBJECT(made));
        NPVariant items[] = {number(1), text("b")};
        NPVariant ignored;
        array->_class->invoke(array, id("push"), items, 2, &ignored);
    }
    ASSERT_TRUE(invokeDefault(method, {number(1), text("b")}));
    ASSERT_TRUE(invoke(method, "call", {object(browser.window()), number(1), text("b")}));
    ASSERT_TRUE(invoke(method, "apply", {object(browser.window()), object(array)}));
    ASSERT_TRUE(invoke(method, "apply", {object(browser.window())}));
    ASSERT_TRUE(invoke(method, "call", {}));

    const auto& calls = testObject().calls;
    ASSERT_EQ(calls.size(), 5u);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(calls[i].size(), 2u) << i;
        EXPECT_EQ(calls[i][0].convert_to<int>(), 1) << i;
        EXPECT_EQ(calls[i][1].convert_to<std::string>(), "b") << i;
    }
    EXPECT_TRUE(calls[3].empty());
    EXPECT_TRUE(calls[4].empty());

    // The same object each time it is read.
    ASSERT_TRUE(get(api, "record"));
    EXPECT_EQ(NPVARIANT_TO_OBJECT(result()), method);
    browser.funcs().releaseobject(array);
    browser.funcs().releaseobject(method);
}

TEST_F(NPJavascriptObjectTest, AssigningToAMethodNameIsRefusedWithItsMessage) {
    EXPECT_TRUE(set(api, "echo", number(1)));
    EXPECT_EQ(browser.lastException(), "This property cannot be changed");
    ASSERT_TRUE(get(api, "echo"));
    EXPECT_TRUE(NPVARIANT_IS_OBJECT(result()));
}

TEST_F(NPJavascriptObjectTest, OtherNamesBecomeAttributes) {
    EXPECT_TRUE(set(api, "colour", text("green")));
    ASSERT_TRUE(get(api, "colour"));
    EXPECT_EQ(fakenp::FakeBrowser::text(result()), "green");
    EXPECT_TRUE(api->_class->removeProperty(api, id("colour")));
    ASSERT_TRUE(get(api, "colour"));
    EXPECT_TRUE(NPVARIANT_IS_VOID(result()));
}

TEST_F(NPJavascriptObjectTest, ScriptErrorsReachThePageWithTheirMessage) {
    // The callback answers true so that the browser shows the message, not a generic one.
    EXPECT_TRUE(invoke(api, "fail"));
    EXPECT_EQ(browser.lastException(), "it failed");
    EXPECT_TRUE(NPVARIANT_IS_VOID(result()));
    ASSERT_TRUE(invoke(api, "getLastException"));
    EXPECT_EQ(fakenp::FakeBrowser::text(result()), "it failed");

    browser.clearException();
    EXPECT_TRUE(invoke(api, "nothing"));
    EXPECT_EQ(browser.lastException(), "The specified member does not exist: nothing");

    browser.clearException();
    NPVariant ignored;
    EXPECT_TRUE(api->_class->construct(api, nullptr, 0, &ignored));
    EXPECT_FALSE(browser.lastException().empty());
}

TEST_F(NPJavascriptObjectTest, EnumerationListsMembersAndBuiltins) {
    NPIdentifier* ids = nullptr;
    uint32_t count = 0;
    ASSERT_TRUE(api->_class->enumerate(api, &ids, &count));
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i) {
        NPUTF8* name = browser.funcs().utf8fromidentifier(ids[i]);
        names.push_back(name);
        browser.funcs().memfree(name);
    }
    browser.funcs().memfree(ids);
    for (const char* expected : {"echo", "version", "addEventListener", "getLastException"})
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
}

TEST_F(NPJavascriptObjectTest, ValuesRoundTrip) {
    ASSERT_TRUE(invoke(api, "echo", {number(-42)}));
    ASSERT_TRUE(NPVARIANT_IS_INT32(result()));
    EXPECT_EQ(NPVARIANT_TO_INT32(result()), -42);

    NPVariant v;
    DOUBLE_TO_NPVARIANT(0.25, v);
    ASSERT_TRUE(invoke(api, "echo", {v}));
    ASSERT_TRUE(NPVARIANT_IS_DOUBLE(result()));
    EXPECT_EQ(NPVARIANT_TO_DOUBLE(result()), 0.25);

    BOOLEAN_TO_NPVARIANT(true, v);
    ASSERT_TRUE(invoke(api, "echo", {v}));
    ASSERT_TRUE(NPVARIANT_IS_BOOLEAN(result()));
    EXPECT_TRUE(NPVARIANT_TO_BOOLEAN(result()));

    // Not terminated where the length ends: the length counts.
    STRINGN_TO_NPVARIANT("Grüße, κόσμε!!",
                         static_cast<uint32_t>(std::string("Grüße, κόσμε").size()), v);
    ASSERT_TRUE(invoke(api, "echo", {v}));
    EXPECT_EQ(fakenp::FakeBrowser::text(result()), "Grüße, κόσμε");
    const NPString& out = NPVARIANT_TO_STRING(result());
    EXPECT_EQ(out.UTF8Characters[out.UTF8Length], '\0');

    NULL_TO_NPVARIANT(v);
    ASSERT_TRUE(invoke(api, "echo", {v}));
    EXPECT_TRUE(NPVARIANT_IS_NULL(result()));
    ASSERT_TRUE(invoke(api, "echo", {}));
    EXPECT_TRUE(NPVARIANT_IS_VOID(result()));

    // A page object comes back as itself; our own object too.
    ASSERT_TRUE(invoke(api, "echo", {object(browser.element())}));
    EXPECT_EQ(NPVARIANT_TO_OBJECT(result()), browser.element());
    ASSERT_TRUE(invoke(api, "echo", {object(api)}));
    EXPECT_EQ(NPVARIANT_TO_OBJECT(result()), api);
}

TEST_F(NPJavascriptObjectTest, UnsignedResultsArriveAsDecimalText) {
    ASSERT_TRUE(invoke(api, "seven"));
    ASSERT_TRUE(NPVARIANT_IS_STRING(result()));
    EXPECT_EQ(fakenp::FakeBrowser::text(result()), "7");
}

TEST_F(NPJavascriptObjectTest, ListsAndMapsBecomePageArraysAndObjects) {
    ASSERT_TRUE(invoke(api, "list"));
    ASSERT_TRUE(NPVARIANT_IS_OBJECT(result()));
    auto& items = static_cast<fakenp::PageObject*>(NPVARIANT_TO_OBJECT(result()))->properties;
    EXPECT_EQ(NPVARIANT_TO_INT32(items["length"].get()), 2);
    EXPECT_EQ(NPVARIANT_TO_INT32(items["0"].get()), 1);
    EXPECT_EQ(fakenp::FakeBrowser::text(items["1"].get()), "two");

    ASSERT_TRUE(invoke(api, "map"));
    ASSERT_TRUE(NPVARIANT_IS_OBJECT(result()));
    auto& entries = static_cast<fakenp::PageObject*>(NPVARIANT_TO_OBJECT(result()))->properties;
    EXPECT_EQ(NPVARIANT_TO_INT32(entries["a"].get()), 1);
    EXPECT_TRUE(NPVARIANT_TO_BOOLEAN(entries["b"].get()));
}

TEST_F(NPJavascriptObjectTest, PageFunctionCalledBackSynchronously) {
    NPVariant function =
        object(browser.newFunction([](const NPVariant* args, uint32_t count, NPVariant* result) {
            if (count != 1 || !NPVARIANT_IS_STRING(args[0]))
                return false;
            const std::string reply = fakenp::FakeBrowser::text(args[0]) + "!";
            NPVariant text;
            STRINGN_TO_NPVARIANT(reply.c_str(), static_cast<uint32_t>(reply.size()), text);
            fakenp::Value(text).copyTo(*result);
            return true;
        }));
    ASSERT_TRUE(invoke(api, "callBack", {function, text("called")}));
    EXPECT_EQ(fakenp::FakeBrowser::text(result()), "called!");
    browser.funcs().releasevariantvalue(&function);
}

TEST_F(NPJavascriptObjectTest, AddEventListenerChecksItsArgumentsAndRegistersTheHandler) {
    browser.clearException();
    EXPECT_TRUE(invoke(api, "addEventListener", {text("ping")}));
    EXPECT_EQ(browser.lastException(), "Invalid Arguments");

    int called = 0;
    NPVariant handler =
        object(browser.newFunction([&called](const NPVariant*, uint32_t, NPVariant*) {
            ++called;
            return true;
        }));
    browser.clearException();
    ASSERT_TRUE(invoke(api, "addEventListener", {text("ping"), handler, number(0)}));
    EXPECT_EQ(browser.lastException(), "");
    testObject().FireEvent("onping", {});
    fakenp::pumpMainThread();
    EXPECT_EQ(called, 1);

    ASSERT_TRUE(invoke(api, "removeEventListener", {text("ping"), handler}));
    testObject().FireEvent("onping", {});
    fakenp::pumpMainThread();
    EXPECT_EQ(called, 1);
    browser.funcs().releasevariantvalue(&handler);

    // A handler that is not an object.
    browser.clearException();
    EXPECT_TRUE(invoke(api, "addEventListener", {text("ping"), number(3)}));
    EXPECT_FALSE(browser.lastException().empty());
}

TEST_F(NPJavascriptObjectTest, AfterDestroyEveryMemberGivesNothingAndNoException) {
    ASSERT_TRUE(get(api, "record"));
    NPObject* method = browser.funcs().retainobject(NPVARIANT_TO_OBJECT(result()));
    ASSERT_EQ(destroyInstance(), NPERR_NO_ERROR);
    browser.clearException();
    EXPECT_FALSE(get(api, "version"));
    EXPECT_FALSE(invoke(api, "echo", {number(1)}));
    EXPECT_FALSE(hasProperty("version"));
    EXPECT_FALSE(invokeDefault(method));
    EXPECT_EQ(browser.lastException(), "");
    browser.funcs().releaseobject(method);
}

TEST_F(NPJavascriptObjectTest, InvalidatedWrapperAnswersFalse) {
    api->_class->invalidate(api);
    EXPECT_FALSE(get(api, "version"));
    EXPECT_FALSE(hasMethod("toString"));
}

} // namespace
} // namespace npapitest
