// Slots, token information, sessions and login.

#include "SoftTokenFixture.h"

#include <cstring>

namespace {

std::string field(const unsigned char* text, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(text), size);
}

const char threeSlots[] = "[slot]\n"
                          "label = First\nserial = AAAA1111\npin = 1234\npresent = yes\n"
                          "[slot]\n"
                          "present = no\n"
                          "[slot]\n"
                          "label = Keypad\nserial = 0123456789ABCDEF\npin = 5678\n"
                          "present = yes\nprotected-path = yes\n";

} // namespace

TEST_F(SoftTokenTest, CallsBeforeInitializeAndAfterFinalizeAreRefused) {
    writeSingleToken();
    CK_ULONG count = 0;
    EXPECT_EQ(p11->C_GetSlotList(CK_TRUE, nullptr, &count), CKR_CRYPTOKI_NOT_INITIALIZED);
    EXPECT_EQ(p11->C_Finalize(nullptr), CKR_CRYPTOKI_NOT_INITIALIZED);
    initialize();
    EXPECT_EQ(p11->C_Initialize(nullptr), CKR_CRYPTOKI_ALREADY_INITIALIZED);
    finalize();
    EXPECT_EQ(p11->C_GetSlotList(CK_TRUE, nullptr, &count), CKR_CRYPTOKI_NOT_INITIALIZED);
    EXPECT_EQ(p11->C_Finalize(nullptr), CKR_CRYPTOKI_NOT_INITIALIZED);
}

TEST_F(SoftTokenTest, ConfigurationErrorsFailInitialize) {
    for (const char* text :
         {"[slot]\npresent = yes\nserial = S1\n", // no label
          "[slot]\nlabel = L\nserial = bad serial\npresent = yes\n", "[slot]\ncolour = blue\n",
          "[reader]\n", "label = L\n", "[fault]\nfunction = C_Sign\ncall = x\n"}) {
        writeConfig(text);
        EXPECT_EQ(p11->C_Initialize(nullptr), CKR_GENERAL_ERROR) << text;
    }
    std::filesystem::remove(dir / "kvsofttoken.conf");
    initialize(); // no configuration: a module without slots
    CK_ULONG count = 7;
    EXPECT_EQ(p11->C_GetSlotList(CK_FALSE, nullptr, &count), CKR_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(SoftTokenTest, SlotListCountsFirstAndReportsShortBuffers) {
    writeConfig(threeSlots);
    initialize();
    struct Case {
        CK_BBOOL present;
        std::vector<CK_SLOT_ID> expected;
    };
    for (const Case& c : {Case{CK_FALSE, {0, 1, 2}}, Case{CK_TRUE, {0, 2}}}) {
        CK_ULONG count = 0;
        ASSERT_EQ(p11->C_GetSlotList(c.present, nullptr, &count), CKR_OK);
        ASSERT_EQ(count, c.expected.size());
        std::vector<CK_SLOT_ID> slots(count);
        CK_ULONG small = count - 1;
        EXPECT_EQ(p11->C_GetSlotList(c.present, slots.data(), &small), CKR_BUFFER_TOO_SMALL);
        EXPECT_EQ(small, count);
        ASSERT_EQ(p11->C_GetSlotList(c.present, slots.data(), &count), CKR_OK);
        EXPECT_EQ(slots, c.expected);
    }
}

TEST_F(SoftTokenTest, SlotAndTokenInformation) {
    writeConfig(threeSlots);
    initialize();
    CK_SLOT_INFO slot;
    ASSERT_EQ(p11->C_GetSlotInfo(1, &slot), CKR_OK);
    EXPECT_EQ(slot.flags & CKF_TOKEN_PRESENT, 0u);
    ASSERT_EQ(p11->C_GetSlotInfo(2, &slot), CKR_OK);
    EXPECT_NE(slot.flags & CKF_TOKEN_PRESENT, 0u);
    EXPECT_EQ(p11->C_GetSlotInfo(3, &slot), CKR_SLOT_ID_INVALID);

    CK_TOKEN_INFO token;
    ASSERT_EQ(p11->C_GetTokenInfo(0, &token), CKR_OK);
    EXPECT_EQ(field(token.label, 32), "First" + std::string(27, ' '));
    EXPECT_EQ(field(token.serialNumber, 16), "AAAA1111        ");
    const CK_FLAGS always =
        CKF_RNG | CKF_LOGIN_REQUIRED | CKF_TOKEN_INITIALIZED | CKF_USER_PIN_INITIALIZED;
    EXPECT_EQ(token.flags, always);
    ASSERT_EQ(p11->C_GetTokenInfo(2, &token), CKR_OK);
    EXPECT_EQ(field(token.serialNumber, 16), "0123456789ABCDEF");
    EXPECT_EQ(token.flags, always | CKF_PROTECTED_AUTHENTICATION_PATH);
    EXPECT_EQ(p11->C_GetTokenInfo(1, &token), CKR_TOKEN_NOT_PRESENT);
    EXPECT_EQ(p11->C_GetTokenInfo(9, &token), CKR_SLOT_ID_INVALID);
}

TEST_F(SoftTokenTest, SessionsAreCountedAndTheLastCloseLogsOut) {
    writeSingleToken();
    initialize();
    CK_SESSION_HANDLE session;
    EXPECT_EQ(p11->C_OpenSession(0, CKF_RW_SESSION, nullptr, nullptr, &session),
              CKR_SESSION_PARALLEL_NOT_SUPPORTED);
    EXPECT_EQ(p11->C_OpenSession(1, CKF_SERIAL_SESSION, nullptr, nullptr, &session),
              CKR_SLOT_ID_INVALID);
    const CK_SESSION_HANDLE rw = openSession();
    const CK_SESSION_HANDLE ro = openSession(0, CKF_SERIAL_SESSION);
    EXPECT_EQ(status().sessions, 2u);
    EXPECT_EQ(status().rwSessions, 1u);
    EXPECT_EQ(status().loggedIn, KV_NOBODY);

    ASSERT_EQ(login(ro, "1234"), CKR_OK);
    EXPECT_EQ(status().loggedIn, CKU_USER);
    CK_SESSION_INFO info;
    ASSERT_EQ(p11->C_GetSessionInfo(rw, &info), CKR_OK);
    EXPECT_EQ(info.state, CKS_RW_USER_FUNCTIONS);
    EXPECT_EQ(info.flags, CKF_SERIAL_SESSION | CKF_RW_SESSION);

    ASSERT_EQ(p11->C_CloseSession(ro), CKR_OK);
    EXPECT_EQ(status().loggedIn, CKU_USER); // the login belongs to every session
    EXPECT_EQ(p11->C_CloseSession(ro), CKR_SESSION_HANDLE_INVALID);
    ASSERT_EQ(p11->C_CloseSession(rw), CKR_OK);
    EXPECT_EQ(status().sessions, 0u);
    EXPECT_EQ(status().loggedIn, KV_NOBODY);
}

TEST_F(SoftTokenTest, LoginStates) {
    writeSingleToken();
    initialize();
    const CK_SESSION_HANDLE session = openSession();
    EXPECT_EQ(p11->C_Logout(session), CKR_USER_NOT_LOGGED_IN);
    EXPECT_EQ(p11->C_Login(session, CKU_USER, nullptr, 0), CKR_ARGUMENTS_BAD); // no keypad
    EXPECT_EQ(p11->C_Login(session, 7, nullptr, 0), CKR_USER_TYPE_INVALID);
    ASSERT_EQ(login(session, "1234"), CKR_OK);
    EXPECT_EQ(login(session, "1234"), CKR_USER_ALREADY_LOGGED_IN);
    ASSERT_EQ(p11->C_Logout(session), CKR_OK);
    EXPECT_EQ(status().loggedIn, KV_NOBODY);
    EXPECT_EQ(p11->C_Login(12345, CKU_USER, nullptr, 0), CKR_SESSION_HANDLE_INVALID);
}

TEST_F(SoftTokenTest, WrongPinsLockThePinAcrossRestarts) {
    writeSingleToken("pin-tries = 3\n");
    initialize();
    CK_SESSION_HANDLE session = openSession();
    struct Step {
        const char* pin;
        CK_RV rv;
        CK_FLAGS flags; // PIN state flags afterwards
    };
    const Step steps[] = {
        {"0000", CKR_PIN_INCORRECT, CKF_USER_PIN_COUNT_LOW},
        {"1234", CKR_OK, 0}, // a right PIN resets the count
        {"0000", CKR_PIN_INCORRECT, CKF_USER_PIN_COUNT_LOW},
        {"12345", CKR_PIN_INCORRECT, CKF_USER_PIN_COUNT_LOW | CKF_USER_PIN_FINAL_TRY},
        {"123", CKR_PIN_INCORRECT, CKF_USER_PIN_LOCKED},
        {"1234", CKR_PIN_LOCKED, CKF_USER_PIN_LOCKED},
    };
    const CK_FLAGS pinFlags = CKF_USER_PIN_COUNT_LOW | CKF_USER_PIN_FINAL_TRY | CKF_USER_PIN_LOCKED;
    for (const Step& step : steps) {
        EXPECT_EQ(login(session, step.pin), step.rv) << step.pin;
        if (step.rv == CKR_OK)
            p11->C_Logout(session);
        CK_TOKEN_INFO token;
        ASSERT_EQ(p11->C_GetTokenInfo(0, &token), CKR_OK);
        EXPECT_EQ(token.flags & pinFlags, step.flags) << step.pin;
    }
    EXPECT_EQ(status().pinFailures, 3u);
    finalize();
    initialize();
    session = openSession();
    EXPECT_EQ(login(session, "1234"), CKR_PIN_LOCKED);
}

TEST_F(SoftTokenTest, ProtectedPathLoginTakesThePinFromTheKeypad) {
    writeConfig("[slot]\nlabel = K\nserial = K1\npin = 1234\npresent = yes\n"
                "protected-path = yes\n"
                "[slot]\nlabel = K\nserial = K2\npin = 1234\npresent = yes\n"
                "protected-path = yes\nkeypad-input = 9999\n");
    initialize();
    const CK_SESSION_HANDLE right = openSession(0);
    EXPECT_EQ(p11->C_Login(right, CKU_USER, nullptr, 0), CKR_OK);
    const CK_SESSION_HANDLE wrong = openSession(1);
    EXPECT_EQ(p11->C_Login(wrong, CKU_USER, nullptr, 0), CKR_PIN_INCORRECT);
    EXPECT_EQ(status(1).pinFailures, 1u);
}

TEST_F(SoftTokenTest, SecurityOfficerLogin) {
    writeSingleToken("so-pin = 87654321\n");
    initialize();
    const CK_SESSION_HANDLE ro = openSession(0, CKF_SERIAL_SESSION);
    const std::string soPin = "87654321";
    auto soLogin = [&](CK_SESSION_HANDLE s) {
        return p11->C_Login(s, CKU_SO, reinterpret_cast<CK_UTF8CHAR_PTR>(&std::string(soPin)[0]),
                            soPin.size());
    };
    EXPECT_EQ(soLogin(ro), CKR_SESSION_READ_ONLY_EXISTS);
    ASSERT_EQ(p11->C_CloseSession(ro), CKR_OK);
    const CK_SESSION_HANDLE rw = openSession();
    ASSERT_EQ(soLogin(rw), CKR_OK);
    EXPECT_EQ(login(rw, "1234"), CKR_USER_ANOTHER_ALREADY_LOGGED_IN);
    CK_SESSION_HANDLE another;
    EXPECT_EQ(p11->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &another),
              CKR_SESSION_READ_WRITE_SO_EXISTS);
}
