#include "JSObject.h"

#include "BrowserHost.h"

#include <stdexcept>

namespace FB {

JSObject::JSObject(const BrowserHostPtr& host) : m_host(host) {}

JSObject::~JSObject() = default;

BrowserHostPtr JSObject::hostOrThrow() const {
    BrowserHostPtr host = m_host.lock();
    if (!host)
        throw std::runtime_error("Cannot invoke asynchronously");
    return host;
}

JSObjectPtr JSObject::self() {
    return std::static_pointer_cast<JSObject>(shared_from_this());
}

// The queued call holds the object itself: a worker that hands its result to a callback and
// ends at once may hold the only reference to it.
void JSObject::InvokeAsync(const std::string& name, const VariantList& args) {
    const BrowserHostPtr host = hostOrThrow();
    const JSObjectPtr object = self();
    host->ScheduleOnMainThread(object, [object, name, args] { object->Invoke(name, args); });
}

void JSObject::SetPropertyAsync(const std::string& name, const variant& value) {
    const BrowserHostPtr host = hostOrThrow();
    const JSObjectPtr object = self();
    host->ScheduleOnMainThread(object, [object, name, value] { object->SetProperty(name, value); });
}

void JSObject::InvokeDelayed(int delayMilliseconds, const VariantList& args) {
    hostOrThrow()->DelayedInvoke(delayMilliseconds, self(), args);
}

} // namespace FB
