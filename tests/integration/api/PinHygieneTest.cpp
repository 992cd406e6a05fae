// After logins with a distinctive PIN, as the page's argument and typed into the PIN-entry
// program, no copy of the PIN is left anywhere this process can read: heap, stacks (live and
// dead frames), the module's data, nor in the token's files or what the dialog was sent.
//
// The software token keeps its own configured PIN in memory, as a real token keeps it in its
// chip; so the PIN searched for is one the token refuses, which takes the plug-in through the
// whole exchange up to C_Login's answer. Right logins run first, so the success paths have run
// too.
#include "ApiFixture.h"
#include "MemoryScan.h"
#include "PinDialog.h"
#include "RecordingFunction.h"
#include "SecureWipe.h"
#include "TestBrowserHost.h"
#include "WipedArguments.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using memscan::Needle;
using memscan::scanMemory;

// A call's arguments, the PIN (when given, still masked) unmasked right into its variant: the
// test keeps no plain copy of its own that a later search would find.
FB::VariantList arguments(const std::vector<std::string>& texts,
                          const std::vector<unsigned char>& maskedPin) {
    FB::VariantList args;
    args.reserve(texts.size() + 1);
    for (const std::string& text : texts)
        args.emplace_back(text);
    if (!maskedPin.empty()) {
        args.emplace_back(std::string(maskedPin.size(), '\0'));
        memscan::unmask(maskedPin,
                        &const_cast<std::string&>(*args.back().get_if<std::string>())[0]);
    }
    return args;
}

class PinHygieneFixture : public ApiFixture {
protected:
    void SetUp() override {
        configure(pinSlot() + "pin-tries = 100\n");
        createPlugin();
    }

    PinDialog dialog{gui};
};

// How the page calls: directly, or with callbacks, the work then done on a worker thread.
enum class Mode { Direct, Callbacks };

// A PIN short enough to live inside its string objects (on stacks), and one of the longest,
// which lives on the heap; each in both modes.
class PinHygieneTest : public PinHygieneFixture,
                       public ::testing::WithParamInterface<std::tuple<std::size_t, Mode>> {
protected:
    // The code the call answers, in the test's mode.
    int codeOf(const std::string& method, const FB::VariantList& args) {
        if (std::get<Mode>(GetParam()) == Mode::Direct)
            return call(method, args).convert_to<int>();
        // A fresh element for each call: its going joins the worker, whose stack is then
        // searched as the worker left it.
        destroyPlugin();
        const auto host = TestBrowserHost::create();
        createPlugin(host);
        const auto success = RecordingFunction::create(host);
        const auto failure = RecordingFunction::create(host);
        FB::VariantList withCallbacks = args;
        withCallbacks.emplace_back(FB::JSObjectPtr(success));
        withCallbacks.emplace_back(FB::JSObjectPtr(failure));
        const FB::WipedArguments wiped(withCallbacks);
        EXPECT_EQ(call(method, withCallbacks).convert_to<int>(), 0) << method;
        EXPECT_TRUE(host->runUntil([&] { return success->callCount() + failure->callCount(); }))
            << method << ": no callback";
        destroyPlugin();
        host->Shutdown();
        if (failure->callCount() == 0)
            return 0;
        return std::stoi(failure->args(0).at(0).convert_to<std::string>());
    }
};

TEST_P(PinHygieneTest, NoCopyOfTheRefusedPinRemains) {
    const std::string hash(64, 'A');
    dialog.typeNext("1234");
    ASSERT_EQ(text("kvwGenKeyPair", {"box"}).size(), 128u);
    ASSERT_EQ(text("kvwSign", {"box", hash, "1234"}).size(), 128u);
    ASSERT_TRUE(call("kvwUserLoginDlg").convert_to<bool>());

    std::string pin = memscan::distinctivePin(std::get<std::size_t>(GetParam()));
    const std::vector<Needle> what = memscan::needles(pin);
    {
        // The search finds a copy where one is left, in either encoding.
        std::string planted = pin;
        std::u16string wide(pin.begin(), pin.end());
        EXPECT_GE(scanMemory(what).size(), 2u);
        secureWipe(planted);
        secureWipe(&wide[0], wide.size() * sizeof(char16_t));
    }
    dialog.typeNext(pin);
    const std::vector<unsigned char> masked = what[0].masked;
    secureWipe(pin);
    struct Step {
        const char* method;
        std::vector<std::string> texts;
        bool pinArgument; // else typed into the dialog
    };
    const std::vector<Step> steps = {
        {"kvwUserLoginDlg", {}, true},
        {"kvwSign", {"box", hash}, true},
        {"kvwMakeSessionKey", {"box", std::string(128, '1'), "0102030405060708"}, true},
        {"kvwUserLoginDlg", {}, false},
        {"kvwSign", {"box", hash}, false},
        {"kvwGenKeyPair", {"fresh"}, false},
    };
    // Looked for after each call: a freed copy may soon be overwritten by chance.
    for (const Step& step : steps) {
        const std::string method = step.method;
        {
            FB::VariantList args =
                arguments(step.texts, step.pinArgument ? masked : std::vector<unsigned char>());
            if (!step.pinArgument && std::get<Mode>(GetParam()) == Mode::Callbacks)
                args.emplace_back(); // no PIN, so the callbacks come where the page's PIN would
            // The test's own copy is wiped too: it is not the plug-in's to find.
            const FB::WipedArguments wiped(args);
            EXPECT_EQ(codeOf(method, args), -4) << method;
        }
        for (const std::string& hit : scanMemory(what))
            ADD_FAILURE() << "the PIN in memory after " << method << ": " << hit;
    }
    expectIdle();
    dialog.forget();

    for (const std::string& hit : scanMemory(what))
        ADD_FAILURE() << "the PIN in memory: " << hit;
    for (const std::string& hit : memscan::scanFiles(gui.path(), what, dialog.notThePlugins()))
        ADD_FAILURE() << "the PIN in a file: " << hit;
}

INSTANTIATE_TEST_SUITE_P(LengthsAndModes, PinHygieneTest,
                         ::testing::Combine(::testing::Values(12, 32),
                                            ::testing::Values(Mode::Direct, Mode::Callbacks)));

} // namespace
