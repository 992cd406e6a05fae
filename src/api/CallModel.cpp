#include "Exception.h"
#include "FailureCode.h"
#include "SecureWipe.h"
#include "kestrova.h"
#include "kestrovaAPI.h"

namespace {

bool given(const kestrovaAPI::Callback& callback) {
    return callback && *callback;
}

} // namespace

FB::variant kestrovaAPI::call(const Work& work, const Callback& success, const Callback& error) {
    try {
        return callMethod(work, success, error);
    } catch (...) {
        return currentFailureCode();
    }
}

FB::variant kestrovaAPI::callMethod(const Work& work, const Callback& success,
                                    const Callback& error) {
    if (!given(success))
        return work();
    const std::shared_ptr<kestrova> plugin = getPlugin();
    // The worker owns a reference to this object, so it outlives the call.
    const auto self = std::static_pointer_cast<kestrovaAPI>(shared_from_this());
    const FB::JSObjectPtr onSuccess = *success;
    plugin->startThread([self, work, onSuccess, error] { self->runAsync(work, onSuccess, error); });
    return 0;
}

void kestrovaAPI::runAsync(const Work& work, const FB::JSObjectPtr& success,
                           const Callback& error) {
    // The work's dead frames on this worker may hold copies of a secret argument.
    const StackWipedOnReturn wipeStack;
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
