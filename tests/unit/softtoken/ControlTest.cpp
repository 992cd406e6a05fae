// Test controls: faults, interrupted writes, removal and insertion, adapter mode.

#include "SoftTokenFixture.h"

#include "Files.h"
#include "JoiningThread.h"
#include "Store.h"
#include "TestCertificate.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

const CK_ULONG dataClass = CKO_DATA;

} // namespace

TEST_F(SoftTokenTest, AFaultHitsOnlyTheNthCall) {
    writeSingleToken("[fault]\nfunction = C_OpenSession\ncall = 2\nrv = 0x30\n");
    initialize();
    CK_SESSION_HANDLE session;
    EXPECT_EQ(p11->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session), CKR_OK);
    EXPECT_EQ(p11->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session),
              CKR_DEVICE_ERROR);
    EXPECT_EQ(p11->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session), CKR_OK);
    EXPECT_EQ(status().sessions, 2u); // the faulting call opened nothing
}

TEST_F(SoftTokenTest, FaultsOnTheEntryPointsAndEveryCall) {
    writeSingleToken("[fault]\nfunction = C_EX_GetFunctionListExtended\ncall = 1\nrv = 5\n"
                     "[fault]\nfunction = C_GetTokenInfo\ncall = 0\nrv = 0xE0\n");
    auto extended = reinterpret_cast<CK_RV (*)(CK_VOID_PTR_PTR)>(
        module->symbol("C_EX_GetFunctionListExtended"));
    ASSERT_NE(extended, nullptr);
    void* table = nullptr;
    EXPECT_EQ(extended(&table), CKR_GENERAL_ERROR);
    ASSERT_EQ(extended(&table), CKR_OK);
    const auto* list = static_cast<const KV_FUNCTION_LIST_EXTENDED*>(table);
    EXPECT_EQ(list->version.major, 1);
    initialize();
    CK_TOKEN_INFO info;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(p11->C_GetTokenInfo(0, &info), CKR_TOKEN_NOT_PRESENT);
    KV_SOFTTOKEN_STATUS s;
    EXPECT_EQ(list->KV_SoftTokenStatus(0, &s), CKR_OK);
    EXPECT_EQ(list->KV_SoftTokenStatus(5, &s), CKR_SLOT_ID_INVALID);
}

TEST_F(SoftTokenTest, AnInterruptedWriteLeavesTheOldTokenFile) {
    writeSingleToken();
    initialize();
    const CK_SESSION_HANDLE session = openSession();
    const std::string kept = "kept", lost = "lost";
    std::vector<CK_ATTRIBUTE> first = {attr(CKA_CLASS, dataClass), attr(CKA_TOKEN, yes),
                                       attr(CKA_LABEL, kept)};
    CK_OBJECT_HANDLE object;
    ASSERT_EQ(p11->C_CreateObject(session, first.data(), first.size(), &object), CKR_OK);
    const auto before = softtoken::readFile(dir / "token-0123456789.dat");
    ASSERT_TRUE(before);

    writeSingleToken("[fault]\nfunction = write\ncall = 1\nrv = 0x30\n");
    std::vector<CK_ATTRIBUTE> second = {attr(CKA_CLASS, dataClass), attr(CKA_TOKEN, yes),
                                        attr(CKA_LABEL, lost)};
    EXPECT_EQ(p11->C_CreateObject(session, second.data(), second.size(), &object),
              CKR_DEVICE_ERROR);
    EXPECT_EQ(softtoken::readFile(dir / "token-0123456789.dat"), before);
    EXPECT_EQ(find(session, {attr(CKA_LABEL, lost)}).size(), 0u);
    EXPECT_EQ(find(session, {attr(CKA_LABEL, kept)}).size(), 1u);

    // The next write goes through and the half-written temporary file does no harm.
    ASSERT_EQ(p11->C_CreateObject(session, second.data(), second.size(), &object), CKR_OK);
    finalize();
    initialize();
    EXPECT_EQ(find(openSession(), {attr(CKA_CLASS, dataClass)}).size(), 2u);
}

TEST_F(SoftTokenTest, RemovalClosesSessionsAndInsertionIsReported) {
    const std::string present = "[slot]\nlabel = T\nserial = S1\npin = 1234\npresent = yes\n";
    const std::string absent = "[slot]\nlabel = T\nserial = S1\npin = 1234\npresent = no\n";
    writeConfig(present);
    initialize();
    const CK_SESSION_HANDLE session = openSession();
    ASSERT_EQ(login(session, "1234"), CKR_OK);
    CK_SLOT_ID slot = 99;
    EXPECT_EQ(p11->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_NO_EVENT);

    writeConfig(absent);
    CK_ULONG count = 5;
    ASSERT_EQ(p11->C_GetSlotList(CK_TRUE, nullptr, &count), CKR_OK);
    EXPECT_EQ(count, 0u);
    CK_SESSION_INFO info;
    EXPECT_EQ(p11->C_GetSessionInfo(session, &info), CKR_SESSION_HANDLE_INVALID);
    EXPECT_EQ(status().sessions, 0u);
    EXPECT_EQ(status().loggedIn, KV_NOBODY);
    CK_SESSION_HANDLE another;
    EXPECT_EQ(p11->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &another),
              CKR_TOKEN_NOT_PRESENT);
    ASSERT_EQ(p11->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_OK);
    EXPECT_EQ(slot, 0u);
    CK_SLOT_INFO slotInfo;
    ASSERT_EQ(p11->C_GetSlotInfo(slot, &slotInfo), CKR_OK);
    EXPECT_EQ(slotInfo.flags & CKF_TOKEN_PRESENT, 0u);
    EXPECT_EQ(p11->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_NO_EVENT);

    writeConfig(present);
    ASSERT_EQ(p11->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr), CKR_OK);
    ASSERT_EQ(p11->C_GetSlotInfo(slot, &slotInfo), CKR_OK);
    EXPECT_NE(slotInfo.flags & CKF_TOKEN_PRESENT, 0u);
    openSession();
}

TEST_F(SoftTokenTest, AdapterForwardsToAnotherModule) {
    const std::filesystem::path nextDir = dir / "next";
    writeConfig(adapterInFrontOfACopy());
    initialize();

    CK_TOKEN_INFO info;
    ASSERT_EQ(p11->C_GetTokenInfo(0, &info), CKR_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(info.serialNumber), 5), "NEXT1");
    const CK_SESSION_HANDLE session = openSession();
    EXPECT_EQ(login(session, "1234"), CKR_PIN_INCORRECT);
    ASSERT_EQ(login(session, "4321"), CKR_OK);
    CK_OBJECT_HANDLE publicKey, privateKey;
    ASSERT_EQ(generate(session, "through", publicKey, privateKey), CKR_OK);
    Bytes signature;
    ASSERT_EQ(sign(session, CKM_GOSTR3410_WITH_GOSTR3411, privateKey, {1, 2, 3}, signature),
              CKR_OK);
    EXPECT_EQ(signature.size(), 64u);
    EXPECT_EQ(status().sessions, 1u); // reported by the next module
    EXPECT_EQ(status().loggedIn, CKU_USER);
    EXPECT_TRUE(std::filesystem::exists(nextDir / "token-NEXT1.dat"));
    finalize();
}

TEST_F(SoftTokenTest, AdapterCompletesThePlugInsTemplatesOnTheirWayToTheNextModule) {
    writeConfig(adapterInFrontOfACopy());
    initialize();
    const CK_SESSION_HANDLE session = openSession();
    ASSERT_EQ(login(session, "4321"), CKR_OK);

    // The plug-in's certificate template, which names neither type nor subject.
    const TestCertificate& certificate = certificateV3();
    const CK_ULONG certificateClass = CKO_CERTIFICATE;
    std::vector<CK_ATTRIBUTE> templ = {attr(CKA_TOKEN, yes),      attr(CKA_CLASS, certificateClass),
                                       attr(CKA_LABEL, kvwLabel), attr(CKA_ID, kvwLabel),
                                       attr(CKA_PRIVATE, no),     attr(CKA_VALUE, certificate.der)};
    CK_OBJECT_HANDLE stored;
    ASSERT_EQ(p11->C_CreateObject(session, templ.data(), templ.size(), &stored), CKR_OK);
    EXPECT_EQ(attribute(session, stored, CKA_SUBJECT), certificate.subject);
    EXPECT_EQ(attribute(session, stored, CKA_ISSUER), certificate.issuer);
    EXPECT_EQ(attribute(session, stored, CKA_SERIAL_NUMBER), certificate.serialNumber);
    EXPECT_EQ(attribute(session, stored, CKA_VALUE), certificate.der);

    CK_OBJECT_HANDLE publicKey, privateKey;
    ASSERT_EQ(generate(session, "alpha", publicKey, privateKey), CKR_OK);
    EXPECT_EQ(attribute(session, publicKey, CKA_GOSTR3411_PARAMS),
              (Bytes{0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x1E, 0x01}));
    EXPECT_EQ(attribute(session, privateKey, CKA_GOSTR3410_PARAMS), cryptoProA);
    finalize();
}

TEST_F(SoftTokenTest, TwoModulesSharingADirectoryLoseNoChange) {
    writeSingleToken();
    initialize();
    auto other = softtoken::Library::open(copyModule(dir / "copy").u8string());
    ASSERT_TRUE(other);
    CK_FUNCTION_LIST_PTR p11b = nullptr;
    ASSERT_EQ(reinterpret_cast<CK_C_GetFunctionList>(other->symbol("C_GetFunctionList"))(&p11b),
              CKR_OK);
    ASSERT_NE(p11b, p11);
    ASSERT_EQ(p11b->C_Initialize(nullptr), CKR_OK);

    const int perModule = 15;
    auto createMany = [&](CK_FUNCTION_LIST_PTR list, char tag) {
        CK_SESSION_HANDLE session;
        ASSERT_EQ(
            list->C_OpenSession(0, CKF_SERIAL_SESSION | CKF_RW_SESSION, nullptr, nullptr, &session),
            CKR_OK);
        for (int i = 0; i < perModule; ++i) {
            const std::string label = tag + std::to_string(i);
            std::vector<CK_ATTRIBUTE> templ = {attr(CKA_CLASS, dataClass), attr(CKA_TOKEN, yes),
                                               attr(CKA_LABEL, label)};
            CK_OBJECT_HANDLE object;
            ASSERT_EQ(list->C_CreateObject(session, templ.data(), templ.size(), &object), CKR_OK);
        }
        list->C_CloseSession(session);
    };
    JoiningThread first([&] { createMany(p11, 'a'); });
    JoiningThread second([&] { createMany(p11b, 'b'); });
    first.join();
    second.join();
    EXPECT_EQ(p11b->C_Finalize(nullptr), CKR_OK);
    EXPECT_EQ(find(openSession(), {attr(CKA_CLASS, dataClass)}).size(), 2u * perModule);
}

TEST_F(SoftTokenTest, ABlockingWaitReturnsOnRemovalAndOnFinalize) {
    writeSingleToken();
    initialize();
    CK_SLOT_ID slot = 99;
    CK_RV waited = CKR_GENERAL_ERROR;
    // Should a step fail, finalizing ends the wait.
    const auto release = [&] {
        p11->C_Finalize(nullptr);
        initialized = false;
    };
    JoiningThread waiter([&] { waited = p11->C_WaitForSlotEvent(0, &slot, nullptr); }, release);
    writeSingleToken("present = no\n");
    waiter.join();
    EXPECT_EQ(waited, CKR_OK);
    EXPECT_EQ(slot, 0u);

    JoiningThread stranded([&] { waited = p11->C_WaitForSlotEvent(0, &slot, nullptr); }, release);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    finalize();
    stranded.join();
    EXPECT_EQ(waited, CKR_CRYPTOKI_NOT_INITIALIZED);
}

TEST_F(SoftTokenTest, TheConfigurationIsReplacedWhileAnotherThreadKeepsReadingIt) {
    const std::string versions[2] = {
        "[slot]\nlabel = First\nserial = 0123456789\npin = 1234\npresent = yes\n",
        "[slot]\nlabel = Second\nserial = 0123456789\npin = 1234\npresent = yes\n"};
    writeConfig(versions[0]);
    initialize();
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, failedCalls{0}, unreadable{0}, torn{0};
    // Every call of the module reads the configuration afresh, and so does the tool.
    JoiningThread reader(
        [&] {
            while (!stop) {
                CK_SLOT_INFO info;
                if (p11->C_GetSlotInfo(0, &info) != CKR_OK)
                    ++failedCalls;
                try {
                    const auto text = softtoken::Store(dir).readConfig();
                    if (!text || (*text != versions[0] && *text != versions[1]))
                        ++torn;
                } catch (const std::system_error&) {
                    ++unreadable;
                }
                ++reads;
            }
        },
        [&] { stop = true; });
    while (reads == 0)
        std::this_thread::yield();
    for (int i = 1; i <= 100; ++i)
        writeConfig(versions[i % 2]);
    stop = true;
    reader.join();
    EXPECT_EQ(failedCalls, 0);
    EXPECT_EQ(unreadable, 0);
    EXPECT_EQ(torn, 0);
    CK_TOKEN_INFO info;
    ASSERT_EQ(p11->C_GetTokenInfo(0, &info), CKR_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(info.label), 5), "First");
}

TEST_F(SoftTokenTest, ADamagedTokenFileIsReportedAndLeftAlone) {
    writeSingleToken();
    const std::string damaged = "kvsofttoken-token 1\nobject 1 zz\n";
    softtoken::replaceFile(dir / "token-0123456789.dat", damaged);
    initialize();
    CK_TOKEN_INFO info;
    EXPECT_EQ(p11->C_GetTokenInfo(0, &info), CKR_DEVICE_ERROR);
    const CK_SESSION_HANDLE session = openSession();
    EXPECT_EQ(login(session, "1234"), CKR_DEVICE_ERROR);
    std::vector<CK_ATTRIBUTE> templ = {attr(CKA_CLASS, dataClass), attr(CKA_TOKEN, yes)};
    CK_OBJECT_HANDLE object;
    EXPECT_EQ(p11->C_CreateObject(session, templ.data(), templ.size(), &object), CKR_DEVICE_ERROR);
    EXPECT_EQ(softtoken::readFile(dir / "token-0123456789.dat"), damaged);
}

TEST_F(SoftTokenTest, AnUnreadableConfigurationChangeIsIgnored) {
    writeSingleToken();
    initialize();
    const CK_SESSION_HANDLE session = openSession();
    writeConfig("[slot]\nlabel = \n"); // not a valid configuration
    CK_ULONG count = 0;
    ASSERT_EQ(p11->C_GetSlotList(CK_TRUE, nullptr, &count), CKR_OK);
    EXPECT_EQ(count, 1u);
    CK_SESSION_INFO info;
    EXPECT_EQ(p11->C_GetSessionInfo(session, &info), CKR_OK);
}
