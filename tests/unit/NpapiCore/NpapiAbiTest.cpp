#include "AbiLayout.h"

#include "npapi_abi.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(NpapiAbi, LayoutMatchesThePlatformsBrowsers) {
    for (const LayoutCase& c : platformLayout()) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.actual, c.expected);
    }
}

struct SelectorCase {
    const char* name;
    int actual;
    int expected;
};

// The selectors the host exchanges with browsers; a wrong number here is a silent misbehaviour
// in the browser, never a compile error.
TEST(NpapiAbi, SelectorsHaveThePublishedValues) {
    const int mask = platformAbiMask;
    const SelectorCase cases[] = {
        {"NPPVpluginNameString", NPPVpluginNameString, 1},
        {"NPPVpluginDescriptionString", NPPVpluginDescriptionString, 2},
        {"NPPVpluginWindowBool", NPPVpluginWindowBool, 3},
        {"NPPVpluginTransparentBool", NPPVpluginTransparentBool, 4},
        {"NPPVjavaClass", NPPVjavaClass, 5},
        {"NPPVpluginTimerInterval", NPPVpluginTimerInterval, 7},
        {"NPPVpluginScriptableInstance", NPPVpluginScriptableInstance, 10 | mask},
        {"NPPVpluginNeedsXEmbed", NPPVpluginNeedsXEmbed, 14},
        {"NPPVpluginScriptableNPObject", NPPVpluginScriptableNPObject, 15},
        {"NPPVformValue", NPPVformValue, 16},
        {"NPPVpluginUsesDOMForCursorBool", NPPVpluginUsesDOMForCursorBool, 22},
        {"NPPVpluginDrawingModel", NPPVpluginDrawingModel, 1000},
        {"NPNVxDisplay", NPNVxDisplay, 1},
        {"NPNVnetscapeWindow", NPNVnetscapeWindow, 3},
        {"NPNVjavascriptEnabledBool", NPNVjavascriptEnabledBool, 4},
        {"NPNVisOfflineBool", NPNVisOfflineBool, 6},
        {"NPNVserviceManager", NPNVserviceManager, 10 | mask},
        {"NPNVToolkit", NPNVToolkit, 13 | mask},
        {"NPNVSupportsXEmbedBool", NPNVSupportsXEmbedBool, 14},
        {"NPNVWindowNPObject", NPNVWindowNPObject, 15},
        {"NPNVPluginElementNPObject", NPNVPluginElementNPObject, 16},
        {"NPNVSupportsWindowless", NPNVSupportsWindowless, 17},
        {"NPNVprivateModeBool", NPNVprivateModeBool, 18},
        {"NPNVsupportsAdvancedKeyHandling", NPNVsupportsAdvancedKeyHandling, 21},
        {"NPNVdocumentOrigin", NPNVdocumentOrigin, 22},
        {"NPNVCSSZoomFactor", NPNVCSSZoomFactor, 23},
        {"NPNVToolkit answer NPNVGtk2", NPNVGtk2, 2},
        {"NPNURLVProxy", NPNURLVProxy, 502},
        {"NPWindowTypeDrawable", NPWindowTypeDrawable, 2},
        {"NPVariantType_Void", NPVariantType_Void, 0},
        {"NPVariantType_Double", NPVariantType_Double, 4},
        {"NPVariantType_Object", NPVariantType_Object, 6},
        {"NPERR_GENERIC_ERROR", NPERR_GENERIC_ERROR, 1},
        {"NPERR_INVALID_INSTANCE_ERROR", NPERR_INVALID_INSTANCE_ERROR, 2},
        {"NPERR_OUT_OF_MEMORY_ERROR", NPERR_OUT_OF_MEMORY_ERROR, 5},
        {"NPERR_INCOMPATIBLE_VERSION_ERROR", NPERR_INCOMPATIBLE_VERSION_ERROR, 8},
        {"NPERR_MALFORMED_SITE", NPERR_MALFORMED_SITE, 15},
        {"NPRES_USER_BREAK", NPRES_USER_BREAK, 2},
        {"NP_CLASS_STRUCT_VERSION", static_cast<int>(NP_CLASS_STRUCT_VERSION), 3},
        {"NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL", NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL, 19},
        {"NPVERS_HAS_NPOBJECT_ENUM", NPVERS_HAS_NPOBJECT_ENUM, 18},
    };
    for (const SelectorCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(NpapiAbi, VariantHelpersSetTypeAndValue) {
    NPVariant v;
    std::memset(&v, 0xAB, sizeof v);

    VOID_TO_NPVARIANT(v);
    EXPECT_TRUE(NPVARIANT_IS_VOID(v));
    EXPECT_EQ(NPVARIANT_TO_OBJECT(v), nullptr);

    NULL_TO_NPVARIANT(v);
    EXPECT_TRUE(NPVARIANT_IS_NULL(v));
    EXPECT_EQ(NPVARIANT_TO_OBJECT(v), nullptr);

    BOOLEAN_TO_NPVARIANT(true, v);
    EXPECT_TRUE(NPVARIANT_IS_BOOLEAN(v));
    EXPECT_TRUE(NPVARIANT_TO_BOOLEAN(v));

    INT32_TO_NPVARIANT(-7, v);
    EXPECT_TRUE(NPVARIANT_IS_INT32(v));
    EXPECT_EQ(NPVARIANT_TO_INT32(v), -7);

    DOUBLE_TO_NPVARIANT(0.5, v);
    EXPECT_TRUE(NPVARIANT_IS_DOUBLE(v));
    EXPECT_EQ(NPVARIANT_TO_DOUBLE(v), 0.5);

    NPObject object{};
    OBJECT_TO_NPVARIANT(&object, v);
    EXPECT_TRUE(NPVARIANT_IS_OBJECT(v));
    EXPECT_EQ(NPVARIANT_TO_OBJECT(v), &object);
}

TEST(NpapiAbi, StringVariantsPointAtTheCharactersWithoutTheTerminator) {
    static const char text[] = "kv\0tail";
    NPVariant v;

    STRINGZ_TO_NPVARIANT(text, v);
    EXPECT_TRUE(NPVARIANT_IS_STRING(v));
    EXPECT_EQ(NPVARIANT_TO_STRING(v).UTF8Characters, text);
    EXPECT_EQ(NPVARIANT_TO_STRING(v).UTF8Length, 2u);

    // An explicit length may cover embedded zeros.
    STRINGN_TO_NPVARIANT(text, sizeof text - 1, v);
    EXPECT_EQ(NPVARIANT_TO_STRING(v).UTF8Length, 7u);
}

} // namespace
