#include "IDispatchAPI.h"

#include "ActiveXBrowserHost.h"
#include "JSAPI_IDispatchEx.h"
#include "Utf.h"
#include "script_error.h"

namespace FB::ActiveX {

IDispatchAPI::IDispatchAPI(IDispatch* object, const std::shared_ptr<ActiveXBrowserHost>& h)
    : JSObject(h), m_object(object), m_inner(JSAPI_IDispatchEx::WrappedAPI(object)) {
    m_object->AddRef();
}

IDispatchAPI::~IDispatchAPI() {
    // Page objects live in the main thread's apartment: the reference goes back there.
    if (const auto h = host())
        h->DeferredRelease(m_object);
    else
        m_object->Release();
}

std::shared_ptr<ActiveXBrowserHost> IDispatchAPI::host() const {
    return std::static_pointer_cast<ActiveXBrowserHost>(m_host.lock());
}

bool IDispatchAPI::onMainThread(std::shared_ptr<ActiveXBrowserHost>& h) const {
    h = host();
    if (!h)
        throw object_invalidated();
    return h->IsMainThread();
}

bool IDispatchAPI::IsValid() const {
    const auto h = host();
    return h && !h->IsShutDown();
}

void IDispatchAPI::GetMemberNames(std::vector<std::string>& names) const {
    std::shared_ptr<ActiveXBrowserHost> h;
    if (!onMainThread(h)) {
        auto* out = &names;
        h->CallOnMainThread([this, out] { GetMemberNames(*out); });
        return;
    }
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->GetMemberNames(names);
    if (!DispatchCall(m_object).Names(names))
        throw script_error("Cannot enumerate members; IDispatchEx not supported");
}

std::size_t IDispatchAPI::GetMemberCount() const {
    std::vector<std::string> names;
    GetMemberNames(names);
    return names.size();
}

bool IDispatchAPI::HasMethod(const std::string& name) const {
    return HasProperty(name);
}

bool IDispatchAPI::HasProperty(int index) const {
    return HasProperty(std::to_string(index));
}

bool IDispatchAPI::HasProperty(const std::string& name) const {
    std::shared_ptr<ActiveXBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name] { return HasProperty(name); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->HasProperty(name);
    return DispatchCall(m_object).IdOf(utf8ToWide(name)) != DISPID_UNKNOWN;
}

variant IDispatchAPI::GetProperty(int index) {
    return GetProperty(std::to_string(index));
}

variant IDispatchAPI::GetProperty(const std::string& name) {
    std::shared_ptr<ActiveXBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name] { return GetProperty(name); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->GetProperty(name);
    // toString's fixed identifier is DISPID_UNKNOWN itself.
    const DISPID id = DispatchCall(m_object).IdOf(utf8ToWide(name));
    if (id == DISPID_UNKNOWN && name != "toString")
        throw script_error("Could not get property");
    variant value;
    if (FAILED(DispatchCall(m_object).Call(id, DISPATCH_PROPERTYGET, h, {}, &value)))
        throw script_error("Could not get property");
    return value;
}

void IDispatchAPI::SetProperty(int index, const variant& value) {
    SetProperty(std::to_string(index), value);
}

void IDispatchAPI::SetProperty(const std::string& name, const variant& value) {
    std::shared_ptr<ActiveXBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name, value] { SetProperty(name, value); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->SetProperty(name, value);
    const DISPID id = DispatchCall(m_object).IdOf(utf8ToWide(name), true);
    if (id == DISPID_UNKNOWN ||
        FAILED(DispatchCall(m_object).Call(id, DISPATCH_PROPERTYPUT, h, {value}, nullptr)))
        throw script_error("Could not set property");
}

void IDispatchAPI::RemoveProperty(int index) {
    RemoveProperty(std::to_string(index));
}

void IDispatchAPI::RemoveProperty(const std::string& name) {
    std::shared_ptr<ActiveXBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name] { RemoveProperty(name); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->RemoveProperty(name);
    if (FAILED(DispatchCall(m_object).Delete(utf8ToWide(name))))
        throw script_error("Could not remove property");
}

variant IDispatchAPI::Invoke(const std::string& name, const VariantList& args) {
    std::shared_ptr<ActiveXBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name, args] { return Invoke(name, args); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->Invoke(name, args);
    const DISPID id = name.empty() ? DISPID_VALUE : DispatchCall(m_object).IdOf(utf8ToWide(name));
    variant result;
    if (id == DISPID_UNKNOWN ||
        FAILED(DispatchCall(m_object).Call(id, DISPATCH_METHOD, h, args, &result)))
        throw script_error("Method invoke failed");
    return result;
}

variant IDispatchAPI::Construct(const VariantList& args) {
    std::shared_ptr<ActiveXBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, args] { return Construct(args); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->Construct(args);
    variant result;
    if (FAILED(DispatchCall(m_object).Call(DISPID_VALUE, DISPATCH_CONSTRUCT, h, args, &result)))
        throw script_error("Constructor invoke failed");
    return result;
}

} // namespace FB::ActiveX
