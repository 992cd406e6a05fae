// Every failing module call reaches the caller with its code and the function's name, and
// leaves the module lock free, no session open and nobody logged in.
#include "Exception.h"
#include "SoftTokenFixture.h"

#include <ostream>

namespace {

const Bytes hash(32, 0x5A);

struct FaultCase {
    const char* name;
    const char* function;
    int call;
    CK_RV rv;
    std::int32_t code;
    std::function<void(SoftTokenFixture&)> action;
    // Runs before the fault is written.
    std::function<void(SoftTokenFixture&)> setup = [](SoftTokenFixture& f) {
        f.withLogin([](Token& t) { t.createContainer("box"); });
        f.withToken([](Token& t) { t.importCertificate("box", {1, 2, 3}); });
    };
};

std::ostream& operator<<(std::ostream& out, const FaultCase& c) {
    return out << c.name;
}

const FaultCase cases[] = {
    {"PresenceQuery", "C_GetSlotList", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.module().isTokenPresent(); }},
    {"SlotCount", "C_GetSlotList", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.module().getToken(); }},
    {"TokenInsertedBetweenSlotCalls", "C_GetSlotList", 2, CKR_BUFFER_TOO_SMALL, -416,
     [](SoftTokenFixture& f) { f.module().getToken(); }},
    {"DeviceIdSlots", "C_GetSlotList", 2, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.module().getDeviceId(); }},
    {"DeviceIdInfo", "C_GetTokenInfo", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.module().getDeviceId(); }},
    {"TokenKindInfo", "C_GetTokenInfo", 1, CKR_TOKEN_NOT_PRESENT, -1,
     [](SoftTokenFixture& f) { f.module().getToken(); }},
    {"SlotEvent", "C_WaitForSlotEvent", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.module().pollSlotEvent(); }},
    {"SlotInfo", "C_GetSlotInfo", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.module().pollSlotEvent(); },
     [](SoftTokenFixture& f) { f.configure(removed(pinpadSlot("PAD0000000000001"))); }},
    {"OpenSession", "C_OpenSession", 1, CKR_TOKEN_NOT_PRESENT, -1,
     [](SoftTokenFixture& f) { f.module().getToken(); }},
    {"CloseSession", "C_CloseSession", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withToken([](Token&) {}); }},
    {"WrongPin", "C_Login", 1, CKR_PIN_INCORRECT, -4,
     [](SoftTokenFixture& f) { f.withLogin([](Token&) {}); }},
    {"LockedPin", "C_Login", 1, CKR_PIN_LOCKED, -5,
     [](SoftTokenFixture& f) { f.withLogin([](Token&) {}); }},
    {"Logout", "C_Logout", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withLogin([](Token&) {}); }},
    {"ListInit", "C_FindObjectsInit", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withToken([](Token& t) { t.getContainers(); }); }},
    {"ListBatch", "C_FindObjects", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withToken([](Token& t) { t.getContainers(); }); }},
    {"ListFinal", "C_FindObjectsFinal", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withToken([](Token& t) { t.getContainers(); }); }},
    {"ListId", "C_GetAttributeValue", 2, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withToken([](Token& t) { t.getContainers(); }); }},
    {"FindKey", "C_FindObjects", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withToken([](Token& t) { t.getPublicKey("box"); }); }},
    {"KeyLength", "C_GetAttributeValue", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withToken([](Token& t) { t.getPublicKey("box"); }); }},
    {"KeyValue", "C_GetAttributeValue", 2, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withToken([](Token& t) { t.getCertificate("box"); }); }},
    {"Generate", "C_GenerateKeyPair", 1, CKR_DEVICE_MEMORY, -40,
     [](SoftTokenFixture& f) { f.withLogin([](Token& t) { t.createContainer("new"); }); }},
    {"GeneratedKeyValue", "C_GetAttributeValue", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withLogin([](Token& t) { t.createContainer("new"); }); }},
    {"SignInit", "C_SignInit", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withLogin([](Token& t) { t.sign("box", hash); }); }},
    {"SignLength", "C_Sign", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withLogin([](Token& t) { t.hashSign("box", hash); }); }},
    {"Sign", "C_Sign", 2, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withLogin([](Token& t) { t.sign("box", hash); }); }},
    {"NotLoggedIn", "C_Sign", 1, CKR_USER_NOT_LOGGED_IN, -2,
     [](SoftTokenFixture& f) { f.withLogin([](Token& t) { t.sign("box", hash); }); }},
    {"Derive", "C_DeriveKey", 1, CKR_ARGUMENTS_BAD, -10,
     [](SoftTokenFixture& f) {
         f.withLogin([](Token& t) { t.deriveKey("box", Bytes(64, 1), Bytes(8, 1)); });
     }},
    {"Destroy", "C_DestroyObject", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.withLogin([](Token& t) { t.destroyContainer("box"); }); }},
    {"Import", "C_CreateObject", 1, CKR_HOST_MEMORY, -40,
     [](SoftTokenFixture& f) { f.withToken([](Token& t) { t.importCertificate("new", {1}); }); }},
    {"Finalize", "C_Finalize", 1, CKR_DEVICE_ERROR, -128,
     [](SoftTokenFixture& f) { f.module().finalize(); }},
};

class FaultTest : public SoftTokenFixture, public ::testing::WithParamInterface<FaultCase> {
public:
    FaultTest() { load(); }
};

TEST_P(FaultTest, FailsWithTheFunctionsCodeAndLeavesNothingBehind) {
    const FaultCase& c = GetParam();
    c.setup(*this);
    injectFault(fault(c.function, c.call, c.rv));
    try {
        c.action(*this);
        ADD_FAILURE() << "no failure";
    } catch (const Pkcs11Exception& e) {
        EXPECT_EQ(e.code(), c.code);
        EXPECT_EQ(std::string(e.context()), c.function);
    }
    injectFault("");
    expectIdle();
}

INSTANTIATE_TEST_SUITE_P(EachModuleCall, FaultTest, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
