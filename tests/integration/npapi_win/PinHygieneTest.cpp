// A PIN passed by the page as an NPString leaves no copy in this process.
#include "NpapiWinHost.h"
#include "PinArguments.h"

namespace {

class NpapiPinHygieneTest : public NpapiWinHost, public ::testing::WithParamInterface<std::size_t> {
protected:
    // Refused PINs do not lock the token.
    NpapiPinHygieneTest() { configure(pinSlot() + "pin-tries = 100\n"); }
};

// A PIN short enough to live inside string objects, and one of the longest, on the heap.
TEST_P(NpapiPinHygieneTest, NoCopyOfAPinArgumentRemains) {
    ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
    NPObject* object = scriptable();
    ASSERT_TRUE(object);
    fakenp::expectPinArgumentsLeaveNoCopy(browser, object, folder.gui, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Lengths, NpapiPinHygieneTest, ::testing::Values(12, 32));

} // namespace
