#pragma once

#include "JSAPI.h"

#include <string>
#include <vector>

namespace FB {

// An object that lives in the page, above all a callback, seen from the plug-in. Each browser
// bridge supplies the concrete class; its member operations serve any thread, carrying calls
// made elsewhere to the main thread with the host's CallOnMainThread.
class JSObject : public JSAPI {
public:
    // The host of the instance the object belongs to; the object does not keep it alive.
    explicit JSObject(const BrowserHostPtr& host);
    ~JSObject() override;

    // Identity and grouping key under which the event registry files a handler: two page
    // objects with the same id are the same handler.
    virtual const void* GetEventId() const { return nullptr; }
    virtual const void* GetEventContext() const { return nullptr; }

    // Whether this handler can take all handlers of its context in one call.
    virtual bool SupportsOptimizedCalls() const { return false; }
    virtual void CallMultipleFunctions(const std::string& /*name*/, const VariantList& /*args*/,
                                       const std::vector<JSObjectPtr>& /*handlers*/,
                                       const std::vector<JSObjectPtr>& /*proxies*/) {}

    // False once the browser side of the object is gone.
    virtual bool IsValid() const = 0;

    // Queues a call of Invoke on the main thread and never waits, not even on the main thread;
    // the result is dropped. Throws std::runtime_error once the host is gone.
    virtual void InvokeAsync(const std::string& name, const VariantList& args);
    // Calls this page function later from the page's own timer; returns at once.
    virtual void InvokeDelayed(int delayMilliseconds, const VariantList& args);
    // Queues a call of SetProperty on the main thread, as InvokeAsync does.
    virtual void SetPropertyAsync(const std::string& name, const variant& value);

    // The plug-in object this page object wraps, if any.
    virtual JSAPIPtr GetJSAPI() const = 0;

protected:
    BrowserHostPtr hostOrThrow() const;
    JSObjectPtr self();

    const BrowserHostWeakPtr m_host;
};

} // namespace FB
