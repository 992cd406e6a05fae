#pragma once

#include "NpapiFixture.h"
#include "NpapiVariant.h"

#include <atomic>
#include <chrono>
#include <future>

namespace npapitest {

// An instance and a page function that doubles its number argument and throws when given two
// or more arguments.
class NPObjectAPITest : public NpapiFixture {
protected:
    void SetUp() override {
        ASSERT_EQ(newInstance(), NPERR_NO_ERROR);
        host = factory->last->host();
        function =
            browser.newFunction([this](const NPVariant* args, uint32_t count, NPVariant* result) {
                ++calls;
                if (count == 1 && NPVARIANT_IS_INT32(args[0]))
                    INT32_TO_NPVARIANT(NPVARIANT_TO_INT32(args[0]) * 2, *result);
                return count < 2; // two or more arguments: the page function throws
            });
    }
    void TearDown() override { browser.funcs().releaseobject(function); }

    FB::JSObjectPtr pageFunction() {
        NPVariant v = object(function);
        return FB::Npapi::fromNPVariant(host, v).convert_to<FB::JSObjectPtr>();
    }

    // Waits for a worker's result while running the main thread's queue.
    template <class T> T pumpUntil(std::future<T>& result) {
        while (result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            fakenp::pumpMainThread();
        return result.get();
    }

    std::shared_ptr<FB::Npapi::NpapiBrowserHost> host;
    fakenp::PageObject* function = nullptr;
    std::atomic<int> calls{0};
};

} // namespace npapitest
