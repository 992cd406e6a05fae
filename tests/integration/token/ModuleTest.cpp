#include "ExpectException.h"
#include "KestrovaEcp.h"
#include "Pinpad.h"
#include "SoftTokenFixture.h"
#include "TestEnv.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using ModuleTest = SoftTokenFixture;

TEST_F(ModuleTest, MissingModuleFileFailsToLoad) {
    fs::remove(gui.path() / pkcs11ModuleFileName());
    expectException([&] { load(); }, -50, libraryLoaderContext);
}

TEST_F(ModuleTest, ModuleWithoutExtendedEntryPointIsRefused) {
    fs::remove(gui.path() / pkcs11ModuleFileName());
    fs::copy_file(hostPath(KV_PLAIN_PKCS11_MODULE), gui.path() / pkcs11ModuleFileName());
    expectException([&] { load(); }, -53, "symbol");
}

TEST_F(ModuleTest, EntryPointFailuresCarryTheirValueUnmapped) {
    const struct {
        const char* function;
        unsigned long rv;
        std::int32_t code;
    } cases[] = {
        {"C_GetFunctionList", 0x30, 0x30},
        {"C_EX_GetFunctionListExtended", 0x5, 0x5},
        {"C_Initialize", 0x5, -85},
        {"C_Initialize", 0x191, -481},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        configure(pinpadSlot("PAD0000000000001"), fault(c.function, 1, c.rv));
        expectException([&] { load(); }, c.code, c.function);
    }
    // Nothing was left initialised by the failures.
    configure(pinpadSlot("PAD0000000000001"));
    load();
    EXPECT_TRUE(module().isTokenPresent());
}

TEST_F(ModuleTest, SecondInitialisationInTheProcessFails) {
    load();
    expectException([&] { Pkcs11 again(gui.wide()); }, -481, "C_Initialize");
    EXPECT_TRUE(module().isTokenPresent());
}

struct SlotCase {
    const char* what;
    std::string slots;
    bool present;
    const char* deviceId; // null: no token
    bool pinpad;
};

TEST_F(ModuleTest, FirstSlotWithATokenServes) {
    const SlotCase cases[] = {
        {"one token, short serial", pinSlot("ABCDEFGH"), true, "ABCDEFGH", false},
        {"full serial", pinSlot("0123456789ABCDEF"), true, "0123456789ABCDEF", false},
        {"keypad reader", pinpadSlot("KEYPAD-1"), true, "KEYPAD-1", true},
        {"empty first reader", emptySlot() + pinpadSlot("SECOND"), true, "SECOND", true},
        {"two tokens", pinSlot("FIRST") + pinpadSlot("SECOND"), true, "FIRST", false},
        {"two tokens, keypad first", pinpadSlot("FIRST") + pinSlot("SECOND"), true, "FIRST", true},
        {"only an empty reader", emptySlot(), false, nullptr, false},
        {"no reader", "", false, nullptr, false},
    };
    for (const SlotCase& c : cases) {
        SCOPED_TRACE(c.what);
        configure(c.slots);
        load();
        EXPECT_EQ(module().isTokenPresent(), c.present);
        if (c.deviceId) {
            EXPECT_EQ(module().getDeviceId(), c.deviceId);
            std::unique_ptr<Token> token = module().getToken();
            EXPECT_EQ(dynamic_cast<Pinpad*>(token.get()) != nullptr, c.pinpad);
            EXPECT_EQ(dynamic_cast<KestrovaEcp*>(token.get()) != nullptr, !c.pinpad);
            token->close();
        } else {
            expectException([&] { module().getDeviceId(); }, -1, "getToken");
            expectException([&] { module().getToken(); }, -1, "getToken");
        }
        expectIdle();
        unload();
    }
}

TEST_F(ModuleTest, SlotEventsReportInsertionAndRemoval) {
    load();
    EXPECT_EQ(module().pollSlotEvent(), 2);
    configure(removed(pinpadSlot("PAD0000000000001")));
    EXPECT_EQ(module().pollSlotEvent(), 1);
    EXPECT_EQ(module().pollSlotEvent(), 2);
    EXPECT_FALSE(module().isTokenPresent());
    configure(pinpadSlot("PAD0000000000001"));
    EXPECT_EQ(module().pollSlotEvent(), 0);
    EXPECT_EQ(module().pollSlotEvent(), 2);
}

TEST_F(ModuleTest, TokenPulledBeforeTheSessionOpensLeavesTheLockFree) {
    load();
    injectFault(fault("C_OpenSession", 1, CKR_TOKEN_NOT_PRESENT));
    expectException([&] { module().getToken(); }, -1, "C_OpenSession");
    expectIdle();
}

} // namespace
