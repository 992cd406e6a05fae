#include "ApiFixture.h"
#include "PageValues.h"

#include <p11-kit/pkcs11.h>

namespace {

struct Call {
    const char* method;
    FB::VariantList args;
};

const std::string hash64(64, 'A');
const std::string peer128(128, '1');

// Every token method that logs in, with arguments that would otherwise succeed.
const std::vector<Call> loginCalls = {
    {"kvwUserLoginDlg", {}},          {"kvwSign", {"box", hash64}},
    {"kvwHashSign", {"box", "00"}},   {"kvwGenKeyPair", {"fresh"}},
    {"kvwDestroyContainer", {"box"}}, {"kvwMakeSessionKey", {"box", peer128, "0102030405060708"}},
};

class FailureTest : public ApiFixture {
protected:
    void SetUp() override {
        createPlugin();
        ASSERT_EQ(text("kvwGenKeyPair", {"box"}).size(), 128u);
    }
    int code(const Call& c) {
        const FB::variant result = call(c.method, c.args);
        EXPECT_FALSE(result.holds<std::string>()) << c.method << " succeeded";
        return result.holds<std::string>() ? 0 : result.convert_to<int>();
    }
};

TEST_F(FailureTest, EmptyRequiredTextIsMinus11BeforeAnythingElse) {
    const std::vector<Call> calls = {
        {"kvwSign", {"", hash64}},
        {"kvwSign", {"box", ""}},
        {"kvwHashSign", {"", "00"}},
        {"kvwHashSign", {"box", ""}},
        {"kvwGenKeyPair", {""}},
        {"kvwDestroyContainer", {""}},
        {"kvwGetPublicKey", {""}},
        {"kvwMakeSessionKey", {"", peer128, "01"}},
        {"kvwMakeSessionKey", {"box", "", "01"}},
        {"kvwMakeSessionKey", {"box", peer128, ""}},
        {"kvwImportCertificate", {"", "01"}},
        {"kvwImportCertificate", {"box", ""}},
        {"kvwRepair", {"", hash64}},
        {"kvwRepair", {hash64, ""}},
    };
    const std::size_t before = gui.record().size();
    configure(emptySlot());
    for (const Call& c : calls)
        EXPECT_EQ(code(c), -11) << c.method;
    EXPECT_EQ(gui.record().size(), before) << "the PIN-entry program was started";
}

TEST_F(FailureTest, WrongPinIsMinus4AndLeavesNothingOpen) {
    gui.setScript(pinAnswer("0000"));
    for (const Call& c : loginCalls) {
        // A right PIN between the wrong ones keeps the token from locking.
        EXPECT_EQ(code(c), -4) << c.method;
        expectIdle();
        gui.setScript(pinAnswer());
        EXPECT_TRUE(call("kvwUserLoginDlg").convert_to<bool>());
        gui.setScript(pinAnswer("0000"));
    }
}

TEST_F(FailureTest, PinEntryStatusPassesThrough) {
    gui.setScript(statusAnswer(-60));
    for (const Call& c : loginCalls) {
        EXPECT_EQ(code(c), -60) << c.method;
        expectIdle();
    }
}

TEST_F(FailureTest, NoTokenIsMinus1) {
    configure(emptySlot());
    std::vector<Call> calls = loginCalls;
    calls.push_back({"kvwGetNumberOfContainers", {}});
    calls.push_back({"kvwGetPublicKey", {"box"}});
    calls.push_back({"kvwImportCertificate", {"box", "01"}});
    calls.push_back({"kvwGetDeviceID", {}});
    for (const Call& c : calls)
        EXPECT_EQ(code(c), -1) << c.method;
}

TEST_F(FailureTest, RefusedPkcs11CallGivesItsTranslatedCode) {
    configure(pinSlot(), fault("C_Sign", 1, CKR_DEVICE_ERROR));
    EXPECT_EQ(code({"kvwSign", {"box", hash64}}), -128);
    expectIdle();
    configure(pinSlot(), fault("C_GenerateKeyPair", 1, CKR_DEVICE_MEMORY));
    EXPECT_EQ(code({"kvwGenKeyPair", {"fresh"}}), -40);
    expectIdle();
    configure(pinSlot(), fault("C_DeriveKey", 1, CKR_GENERAL_ERROR));
    EXPECT_EQ(code(loginCalls.back()), -85);
    expectIdle();
    // A logout that fails after the work: the session is closed all the same.
    configure(pinSlot(), fault("C_Logout", 1, CKR_DEVICE_ERROR));
    EXPECT_EQ(code({"kvwUserLoginDlg", {}}), -128);
    configure(pinSlot());
    expectIdle();
}

TEST_F(FailureTest, WithThePluginObjectGoneOnlyTheTokenFreeMembersWork) {
    destroyPlugin();
    for (const Call& c : loginCalls)
        EXPECT_EQ(code(c), -53) << c.method;
    EXPECT_EQ(code({"kvwIsTokenPresentAndOK", {}}), -53);
    EXPECT_EQ(code({"kvwGetNumberOfContainers", {}}), -53);
    EXPECT_EQ(code({"kvwGetPublicKey", {"box"}}), -53);
    EXPECT_EQ(code({"kvwImportCertificate", {"box", "01"}}), -53);

    EXPECT_EQ(call("kvwIsUserLoggedIn").convert_to<int>(), -2);
    EXPECT_TRUE(call("kvwLogout").convert_to<bool>());
    EXPECT_EQ(text("kvwGetDeviceID"), "0123456789AB");
    EXPECT_EQ(call("kvwGetContainerName", {0}).convert_to<int>(), -20);
    gost::Scalar d;
    gost::Point q;
    ASSERT_TRUE(gost::generateKeyPair(gost::Curve::CryptoProA, d, q));
    EXPECT_EQ(text("kvwRepair", {scrambledKey(d), hash64}).size(), 128u);
}

} // namespace
