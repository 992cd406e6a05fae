// The host's wake-up on Linux: the browser's NPN_PluginThreadAsyncCall.
#include "NPObjectAPIFixture.h"
#include "script_error.h"

#include <cstddef>

namespace npapitest {
namespace {

using FB::variant;

TEST_F(NPObjectAPITest, BrowserWithoutThreadCallsRefusesWorkerCalls) {
    // A table that ends before NPN_PluginThreadAsyncCall.
    host->SetBrowserFuncs([this] {
        NPNetscapeFuncs old = browser.funcs();
        old.size = offsetof(NPNetscapeFuncs, pluginthreadasynccall);
        return old;
    }());
    const auto page = pageFunction();
    EXPECT_EQ(page->Invoke("", {variant(2)}).convert_to<int>(), 4); // main thread: direct
    std::future<std::string> refused = std::async(std::launch::async, [page] {
        try {
            page->Invoke("", {variant(1)});
        } catch (const FB::script_error& e) {
            return std::string(e.what());
        }
        return std::string("returned");
    });
    EXPECT_EQ(refused.get(), "Could not marshal to main thread");
}

} // namespace
} // namespace npapitest
