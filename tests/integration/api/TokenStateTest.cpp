#include "ApiFixture.h"
#include "Exception.h"
#include "FactoryBase.h"
#include "JSAPIAuto.h"
#include "ProcessPkcs11.h"
#include "SharedLibrary.h"
#include "TestEnv.h"
#include "Utf.h"
#include "script_error.h"

#include <gmock/gmock.h>
#include <p11-kit/pkcs11.h>

#include <fstream>
#include <functional>

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using ::testing::UnorderedElementsAreArray;

class TokenStateTest : public ApiFixture {};

TEST_F(TokenStateTest, VersionPropertyAndMethodNeitherTouchTheToken) {
    configure(emptySlot());
    createPlugin();
    EXPECT_EQ(api->GetProperty("version").convert_to<std::string>(), "1.5.0.0");
    EXPECT_EQ(text("get_version"), "1.5.0.0");
    // Read-only: an assignment is ignored.
    api->SetProperty("version", FB::variant(std::string("2")));
    EXPECT_EQ(api->GetProperty("version").convert_to<std::string>(), "1.5.0.0");
    EXPECT_THROW(call("get_version", {FB::variant(1)}), FB::invalid_arguments);
}

TEST_F(TokenStateTest, MemberListIsTheSixteenMethodsVersionAndTheBuiltIns) {
    createPlugin();
    std::vector<std::string> expected;
    FB::JSAPIAuto().GetMemberNames(expected);
    for (const char* name :
         {"version", "get_version", "kvwIsTokenPresentAndOK", "kvwIsUserLoggedIn",
          "kvwUserLoginDlg", "kvwLogout", "kvwSign", "kvwHashSign", "kvwGenKeyPair",
          "kvwDestroyContainer", "kvwGetNumberOfContainers", "kvwGetContainerName",
          "kvwGetPublicKey", "kvwRepair", "kvwMakeSessionKey", "kvwGetDeviceID",
          "kvwImportCertificate"})
        expected.push_back(name);
    std::vector<std::string> names;
    api->GetMemberNames(names);
    EXPECT_THAT(names, UnorderedElementsAreArray(expected));
}

TEST_F(TokenStateTest, PresenceIsTrueOrMinusOne) {
    createPlugin();
    const FB::variant present = call("kvwIsTokenPresentAndOK");
    ASSERT_TRUE(present.holds<bool>());
    EXPECT_TRUE(present.convert_to<bool>());
    configure(emptySlot());
    EXPECT_EQ(call("kvwIsTokenPresentAndOK").convert_to<int>(), -1);
    EXPECT_EQ(call("kvwGetDeviceID").convert_to<int>(), -1);
    // Fixed answers, even without a token.
    EXPECT_EQ(call("kvwIsUserLoggedIn").convert_to<int>(), -2);
    EXPECT_TRUE(call("kvwLogout").convert_to<bool>());
}

TEST_F(TokenStateTest, DeviceIdIsTheSerialUpToItsFirstBlank) {
    configure(pinSlot("12345678"));
    createPlugin();
    EXPECT_EQ(text("kvwGetDeviceID"), "12345678");
    configure(pinSlot("ABCDEFGH12345678"));
    EXPECT_EQ(text("kvwGetDeviceID"), "ABCDEFGH12345678");
}

TEST_F(TokenStateTest, LoginDialogChecksThePinAndLeavesTheTokenLoggedOut) {
    createPlugin();
    EXPECT_TRUE(call("kvwUserLoginDlg").convert_to<bool>());
    expectIdle();
    // Mode 0 with an empty display text; the page's PIN follows it on the program's input,
    // never on its command line.
    EXPECT_THAT(recorded("stdin"), ElementsAre("stdin 0", "stdin ", "stdin-end"));
    EXPECT_EQ(call("kvwIsUserLoggedIn").convert_to<int>(), -2);

    EXPECT_TRUE(call("kvwUserLoginDlg", {FB::variant(std::string("7777"))}).convert_to<bool>());
    EXPECT_THAT(recorded("stdin"), Contains("stdin 7777"));
    EXPECT_THAT(recorded("arg 1"), Not(Contains("arg 1 7777")));
}

TEST_F(TokenStateTest, MissingPinEntryProgramIsMinus50) {
    createPlugin();
    gui.removeProgram();
    EXPECT_EQ(call("kvwUserLoginDlg").convert_to<int>(), -50);
    expectIdle();
}

TEST_F(TokenStateTest, KeypadTokenTakesNoPinEntryProgram) {
    configure(pinpadSlot());
    createPlugin();
    gui.removeProgram();
    EXPECT_TRUE(call("kvwUserLoginDlg").convert_to<bool>());
    expectIdle();
}

TEST_F(TokenStateTest, ASecondScriptingObjectReusesTheModule) {
    createPlugin();
    const FB::PluginCorePtr first = plugin;
    const FB::JSAPIPtr firstApi = api;
    // The module is not loaded again: the second element works from a folder without one.
    createPlugin(nullptr, "/no/such/folder/npkestrova");
    EXPECT_NE(api, firstApi);
    EXPECT_TRUE(call("kvwIsTokenPresentAndOK").convert_to<bool>());
    first->Shutdown();
}

TEST_F(TokenStateTest, ScriptingObjectAppearsOnceTheModuleIsThere) {
    namespace fs = std::filesystem;
    // What a broken installation leaves in the plug-in folder instead of the maker's module.
    const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> broken = {
        {"missing", [](const fs::path&) {}},
        {"not a library", [](const fs::path& module) { std::ofstream(module) << "MZ garbage"; }},
        {"without the extended entry point",
         [](const fs::path& module) { fs::copy_file(hostPath(KV_PLAIN_PKCS11_MODULE), module); }},
    };
    for (const auto& [what, install] : broken) {
        const FB::PluginCorePtr element =
            FB::getFactoryInstance()->CreatePlugin("application/x-kestrova");
        const fs::path folder = gui.path() / "broken";
        fs::create_directory(folder);
        install(folder / pkcs11ModuleFileName());
        element->SetFSPath(wideToUtf8(folder.wstring()) + "/npkestrova");
        EXPECT_EQ(element->GetRootJSAPI(), nullptr) << what;
        EXPECT_EQ(processPkcs11(), nullptr) << what;
        fs::remove(folder / pkcs11ModuleFileName());
        fs::copy_file(gui.path() / pkcs11ModuleFileName(), folder / pkcs11ModuleFileName());
        EXPECT_NE(element->GetRootJSAPI(), nullptr) << what;
        element->Shutdown();
        FB::getFactoryInstance()->GlobalPluginDeinitialize();
        fs::remove_all(folder);
    }
}

TEST_F(TokenStateTest, RefusedFinalisationKeepsTheModule) {
    createPlugin();
    configure(pinSlot(), fault("C_Finalize", 1, CKR_DEVICE_ERROR));
    try {
        FB::getFactoryInstance()->GlobalPluginDeinitialize();
        ADD_FAILURE() << "no failure";
    } catch (const Pkcs11Exception& e) {
        EXPECT_EQ(e.code(), -128);
        EXPECT_STREQ(e.context(), "C_Finalize");
    }
    ASSERT_NE(processPkcs11(), nullptr);
    EXPECT_TRUE(call("kvwIsTokenPresentAndOK").convert_to<bool>());
    configure(pinSlot());
    FB::getFactoryInstance()->GlobalPluginDeinitialize();
    EXPECT_EQ(processPkcs11(), nullptr);
}

} // namespace
