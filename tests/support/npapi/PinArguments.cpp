#include "PinArguments.h"

#include "GuiFolder.h"
#include "MemoryScan.h"
#include "SecureWipe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fakenp {

namespace {

// The member's numeric answer, as the plug-in gives it to a page.
bool invoke(FakeBrowser& browser, NPObject* object, const char* method,
            const std::vector<NPVariant>& args, double* number) {
    NPNetscapeFuncs& npn = browser.funcs();
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    const bool ok = npn.invoke(browser.instance(), object, npn.getstringidentifier(method),
                               args.data(), static_cast<uint32_t>(args.size()), &result);
    *number = NPVARIANT_IS_INT32(result)    ? NPVARIANT_TO_INT32(result)
              : NPVARIANT_IS_DOUBLE(result) ? NPVARIANT_TO_DOUBLE(result)
                                            : 0;
    npn.releasevariantvalue(&result);
    return ok;
}

NPVariant text(const std::string& value) {
    NPVariant v;
    STRINGN_TO_NPVARIANT(value.data(), static_cast<uint32_t>(value.size()), v);
    return v;
}

} // namespace

void expectPinArgumentsLeaveNoCopy(FakeBrowser& browser, NPObject* scriptable, const GuiFolder& gui,
                                   std::size_t pinLength) {
    const std::string box = "box";
    double answer = 0;
    ASSERT_TRUE(invoke(browser, scriptable, "kvwGenKeyPair", {text(box)}, &answer))
        << browser.lastException();
    // From here the program answers with the PIN that follows the request, as the real one
    // does.
    gui.setScript("read\nline 0\ninputline 2\n");

    std::string pin = memscan::distinctivePin(pinLength);
    const std::vector<memscan::Needle> what = memscan::needles(pin);
    const std::vector<unsigned char> masked = what[0].masked;
    secureWipe(pin);

    struct Step {
        const char* method;
        std::vector<std::string> texts;
    };
    const std::vector<Step> steps = {
        {"kvwUserLoginDlg", {}},
        {"kvwSign", {box, std::string(64, 'A')}},
        {"kvwMakeSessionKey", {box, std::string(128, '1'), "0102030405060708"}},
    };
    // Looked for after each call: a freed copy may soon be overwritten by chance.
    for (const Step& step : steps) {
        std::vector<NPVariant> args;
        for (const std::string& value : step.texts)
            args.push_back(text(value));
        std::string typed(masked.size(), '\0');
        memscan::unmask(masked, &typed[0]);
        args.push_back(text(typed));
        const bool ok = invoke(browser, scriptable, step.method, args, &answer);
        secureWipe(typed);
        EXPECT_TRUE(ok) << step.method << ": " << browser.lastException();
        EXPECT_EQ(answer, -4) << step.method;
        for (const std::string& hit : memscan::scanMemory(what))
            ADD_FAILURE() << "the PIN in memory after " << step.method << ": " << hit;
    }
}

} // namespace fakenp
