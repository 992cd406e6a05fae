#include "ApiFixture.h"
#include "JoiningThread.h"
#include "PageValues.h"
#include "TestEnv.h"

#include <p11-kit/pkcs11.h>

#include <fstream>
#include <iterator>

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

TEST_F(FailureTest, PinEntryProgramKilledWithItsDialogOpenIsMinus50) {
    gui.setScript("read\npid\ntouch open\nawait never\n");
    JoiningThread system([&] {
        if (gui.waitFor("open"))
            killProcess(std::stoul(recorded("pid ").at(0).substr(4)));
        else
            gui.touch("never");
    });
    EXPECT_EQ(code({"kvwSign", {"box", hash64}}), -50);
    system.join();
    expectIdle();
    // Nothing of the broken exchange stays in the way of the next one.
    gui.setScript(pinAnswer());
    EXPECT_EQ(text("kvwSign", {"box", hash64}).size(), 128u);
}

TEST_F(FailureTest, TokenPulledMidCallLeavesNothingOpen) {
    // Pulled while the dialog asks for the PIN: the session is gone when the PIN arrives.
    gui.setScript("read\ntouch asked\nawait pulled\nline 0\nline 1234\n");
    {
        JoiningThread user([&] {
            if (gui.waitFor("asked"))
                configure(emptySlot());
            gui.touch("pulled");
        });
        EXPECT_EQ(code({"kvwSign", {"box", hash64}}), -1); // not present, not a lost session
    }
    expectIdle();
    // Pulled while signing: the token answers as a pulled one does.
    configure(pinSlot(), fault("C_Sign", 1, CKR_DEVICE_REMOVED));
    gui.setScript(pinAnswer());
    EXPECT_EQ(code({"kvwSign", {"box", hash64}}), -130); // CKR_DEVICE_REMOVED
    expectIdle();
    // Put back, it serves again.
    configure(pinSlot());
    EXPECT_EQ(text("kvwSign", {"box", hash64}).size(), 128u);
}

TEST_F(FailureTest, FailedTokenWriteDuringKeyGenerationKeepsTheTokenAsItWas) {
    // A full disk or a token file that cannot be written: the write of the new key fails.
    const auto tokenFile = [&] {
        std::ifstream file(tokenDir / "token-0123456789AB.dat", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::string before = tokenFile();
    ASSERT_FALSE(before.empty());
    // The key pair is one write of the token file.
    configure(pinSlot(), fault("write", 1, CKR_DEVICE_MEMORY));
    EXPECT_EQ(code({"kvwGenKeyPair", {"fresh"}}), -40);
    expectIdle();
    configure(pinSlot());
    EXPECT_EQ(tokenFile(), before);
    EXPECT_EQ(call("kvwGetNumberOfContainers").convert_to<int>(), 1);
    EXPECT_EQ(text("kvwGetContainerName", {0}), "box");
    EXPECT_EQ(text("kvwGenKeyPair", {"fresh"}).size(), 128u);
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
