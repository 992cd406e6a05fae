#include "Exception.h"
#include "FailureCode.h"
#include "SecureWipe.h"
#include "ThreadBudget.h"
#include "kestrova.h"
#include "kestrovaAPI.h"

namespace {

// The process runs as many calls as it may (the host bounds its threads): the page may retry
// once some have ended.
constexpr std::int32_t tooManyCalls = -13;

bool given(const kestrovaAPI::Callback& callback) {
    return callback && *callback;
}

} // namespace

FB::variant kestrovaAPI::call(const Work& work, const Callback& success, const Callback& error,
                              Holds holds) {
    try {
        return callMethod(work, holds, success, error);
    } catch (...) {
        return currentFailureCode();
    }
}

FB::variant kestrovaAPI::callMethod(const Work& work, Holds holds, const Callback& success,
                                    const Callback& error) {
    if (!given(success))
        return work();
    const std::shared_ptr<kestrova> plugin = getPlugin();
    // The worker owns a reference to this object, so it outlives the call.
    const auto self = std::static_pointer_cast<kestrovaAPI>(shared_from_this());
    const FB::JSObjectPtr onSuccess = *success;
    try {
        plugin->startThread([self, work = work, holds, onSuccess, error]() mutable {
            self->runAsync(work, holds, onSuccess, error);
            // What the work holds (a PIN perhaps) goes before the page's functions are let go:
            // a page that sees them released may take the call as over, and find no copy left.
            work = nullptr;
        });
    } catch (const TooManyThreads&) {
        throw Exception(tooManyCalls, "startThread");
    }
    return 0;
}

void kestrovaAPI::runAsync(const Work& work, Holds holds, const FB::JSObjectPtr& success,
                           const Callback& error) {
    // The work's dead frames may hold copies of a secret, and the worker lives on.
    const StackWipedOnReturn wipeStack(holds == Holds::secret);
    try {
        try {
            const FB::variant result = work();
            success->InvokeAsync("", FB::VariantList{result});
        } catch (const Exception& e) {
            if (given(error))
                (*error)->InvokeAsync("", FB::VariantList{FB::variant(std::string(e.what()))});
        }
    } catch (...) {
        // Other failures have no code for the page (for instance a host that is gone).
    }
}
