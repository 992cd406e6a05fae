// Session lifetime, the module lock and the two ways of logging in.
#include "ExpectException.h"
#include "JoiningThread.h"
#include "SoftTokenFixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

class TokenSessionTest : public SoftTokenFixture {
public:
    TokenSessionTest() { load(); }
};

TEST_F(TokenSessionTest, SessionHoldsTheLockUntilClosedOrDeleted) {
    for (bool closeFirst : {true, false}) {
        std::unique_ptr<Token> token = module().getToken();
        EXPECT_EQ(status().sessions, 1u);
        EXPECT_EQ(status().rwSessions, 1u);
        EXPECT_FALSE(module().moduleLock().try_lock());
        if (closeFirst)
            token->close();
        token.reset();
        expectIdle();
    }
}

TEST_F(TokenSessionTest, AnotherThreadWaitsForTheOpenSession) {
    std::unique_ptr<Token> first = module().getToken();
    std::atomic<bool> opened{false};
    JoiningThread other(
        [&] {
            std::unique_ptr<Token> second = module().getToken();
            opened = true;
            EXPECT_EQ(status().sessions, 1u);
            second->close();
        },
        [&] { first.reset(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(opened);
    first->close();
    other.join();
    EXPECT_TRUE(opened);
    expectIdle();
}

TEST_F(TokenSessionTest, FailedCloseStillEndsTheSessionAndReleasesTheLock) {
    std::unique_ptr<Token> token = module().getToken();
    injectFault(fault("C_CloseSession", 1, CKR_DEVICE_ERROR));
    expectException([&] { token->close(); }, -128, "C_CloseSession");
    expectIdle();
}

TEST_F(TokenSessionTest, KeypadLoginHappensOnceAndEndsWithTheSession) {
    std::unique_ptr<Token> token = module().getToken();
    token->login(0, "", "");
    EXPECT_EQ(status().loggedIn, CKU_USER);
    // A second login must not reach the module.
    injectFault(fault("C_Login", 0, CKR_DEVICE_ERROR));
    token->login(1, "box", "");
    token->logout();
    EXPECT_EQ(status().loggedIn, KV_NOBODY);
    injectFault("");
    token->login(1, "box", "");
    token->close();
    expectIdle();
}

TEST_F(TokenSessionTest, CloseWithoutLoginDoesNotLogOut) {
    injectFault(fault("C_Logout", 0, CKR_DEVICE_ERROR));
    withToken([](Token&) {});
    injectFault("");
    expectIdle();
}

TEST_F(TokenSessionTest, FailedLogoutStillClosesTheSession) {
    for (bool closeFirst : {true, false}) {
        std::unique_ptr<Token> token = module().getToken();
        token->login(1, "box", "");
        injectFault(fault("C_Logout", 1, CKR_DEVICE_ERROR));
        if (closeFirst) {
            expectException([&] { token->close(); }, -128, "C_Logout");
            expectIdle();
        }
        token.reset();
        injectFault("");
        expectIdle();
    }
}

TEST_F(TokenSessionTest, WrongPinOnTheKeypadFails) {
    configure(pinpadSlot("PAD0000000000001", "9999"));
    std::unique_ptr<Token> token = module().getToken();
    expectException([&] { token->login(1, "box", ""); }, -4, "C_Login");
    EXPECT_EQ(status().loggedIn, KV_NOBODY);
    token.reset();
    expectIdle();
}

// A token without a keypad: the PIN comes from the PIN-entry program in the plug-in folder.
class PinEntryTest : public SoftTokenFixture {
public:
    PinEntryTest() {
        configure(pinSlot("PIN0000000000001"));
        load();
    }
};

TEST_F(PinEntryTest, PinFromTheProgramLogsInOnce) {
    std::unique_ptr<Token> token = module().getToken();
    token->login(2, "box - 1", "page pin");
    EXPECT_EQ(status().loggedIn, CKU_USER);
    const std::vector<std::string> record = gui.record();
    EXPECT_NE(std::find(record.begin(), record.end(), "stdin 2"), record.end());
    EXPECT_NE(std::find(record.begin(), record.end(), "stdin box - 1"), record.end());
    // The page's PIN follows the request; the command line only says that it does.
    EXPECT_NE(std::find(record.begin(), record.end(), "stdin page pin"), record.end());
    EXPECT_NE(std::find(record.begin(), record.end(), "arg 1 --pin-on-input"), record.end());

    token->login(1, "box", "");
    EXPECT_EQ(gui.record(), record) << "the program ran again";
    token->close();
    expectIdle();
}

TEST_F(PinEntryTest, RefusedOrWrongPinLeavesNobodyLoggedIn) {
    const struct {
        const char* script;
        std::int32_t code;
        const char* context;
        CK_ULONG pinFailures;
    } cases[] = {
        {"read\nline 0\nline 9999\n", -4, "C_Login", 1},
        {"read\nline 7\n", 7, "inputPin", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        gui.setScript(c.script);
        std::unique_ptr<Token> token = module().getToken();
        expectException([&] { token->login(1, "box", ""); }, c.code, c.context);
        EXPECT_EQ(status().loggedIn, KV_NOBODY);
        EXPECT_EQ(status().pinFailures, c.pinFailures);
        token.reset();
        expectIdle();
        // A right PIN resets the count of failures.
        gui.setScript(pinAnswer());
        withLogin([](Token&) {});
    }
}

} // namespace
