#include "FBComJavascriptObject.h"

#include "ActiveXIds.h"

namespace FB::ActiveX {

FBComJavascriptObject*
FBComJavascriptObject::Create(const JSAPIPtr& api,
                              const std::shared_ptr<ActiveXBrowserHost>& host) {
    auto* object = new FBComJavascriptObject();
    object->Bind(api, host);
    return object;
}

FBComJavascriptObject* FBComJavascriptObject::CreateUnbound() {
    return new FBComJavascriptObject();
}

FBComJavascriptObject::~FBComJavascriptObject() {
    unbind();
}

STDMETHODIMP FBComJavascriptObject::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IDispatchEx ||
        iid == IID_IFBComJavascriptObject) {
        *out = static_cast<IDispatchEx*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FBComJavascriptObject::AddRef() {
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FBComJavascriptObject::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

} // namespace FB::ActiveX
