#pragma once

#include "ComModule.h"
#include "JSAPI_IDispatchEx.h"

#include <atomic>
#include <memory>

namespace FB::ActiveX {

// The dispatch object through which the page reaches a scripting object other than the
// element's root one (method objects, objects returned by methods).
class FBComJavascriptObject : public JSAPI_IDispatchEx {
public:
    // A new wrapper with one reference for the caller.
    static FBComJavascriptObject* Create(const JSAPIPtr& api,
                                         const std::shared_ptr<ActiveXBrowserHost>& host);
    // One bound to nothing: what its class object makes.
    static FBComJavascriptObject* CreateUnbound();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    bool OwnsRetain() const override { return true; }

private:
    FBComJavascriptObject() = default;
    ~FBComJavascriptObject() override;

    std::atomic<ULONG> m_refs{1};
    ModuleLock m_lock;
};

} // namespace FB::ActiveX
