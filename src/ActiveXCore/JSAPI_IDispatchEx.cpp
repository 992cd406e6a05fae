#include "JSAPI_IDispatchEx.h"

#include "ActiveXBrowserHost.h"
#include "ActiveXIds.h"
#include "BuiltinMembers.h"
#include "ComVariant.h"
#include "DispatchIdMap.h"
#include "JSAPI.h"
#include "Utf.h"
#include "WipedArguments.h"
#include "script_error.h"

#include <algorithm>

namespace FB::ActiveX {

namespace {

const BuiltinMembers::Names builtinNames{"attachEvent", "detachEvent", ""};

constexpr DISPID securityContextId = -5511;
constexpr DISPID readyStateId = -525;
constexpr DISPID enabledId = -514;

BSTR bstrOf(const std::string& text) {
    const std::wstring wide = utf8ToWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

} // namespace

JSAPI_IDispatchEx::JSAPI_IDispatchEx() = default;

JSAPI_IDispatchEx::~JSAPI_IDispatchEx() {
    if (m_builtins)
        m_builtins->Detach();
}

void JSAPI_IDispatchEx::Bind(const JSAPIPtr& api, const std::shared_ptr<ActiveXBrowserHost>& host) {
    m_api = api;
    m_host = host;
}

void JSAPI_IDispatchEx::unbind() {
    if (const auto h = host())
        h->ForgetWrapper(this);
    if (m_builtins)
        m_builtins->Detach();
}

JSAPIWeakPtr JSAPI_IDispatchEx::WrappedAPI(IDispatch* object) {
    // Only our own faces answer these interfaces, with the face itself.
    IDispatchEx* face = nullptr;
    if (SUCCEEDED(
            object->QueryInterface(IID_IFBComJavascriptObject, reinterpret_cast<void**>(&face))) ||
        SUCCEEDED(object->QueryInterface(IID_IFBControl, reinterpret_cast<void**>(&face)))) {
        const JSAPIWeakPtr api = static_cast<JSAPI_IDispatchEx*>(face)->m_api;
        face->Release();
        return api;
    }
    return {};
}

BuiltinMembers& JSAPI_IDispatchEx::builtins() {
    if (!m_builtins) {
        m_builtins = std::make_shared<BuiltinMembers>(
            builtinNames, [this] { return GetAPI(); }, [this] { return m_lastException; });
    }
    return *m_builtins;
}

STDMETHODIMP JSAPI_IDispatchEx::GetTypeInfoCount(UINT*) {
    return E_NOTIMPL;
}

STDMETHODIMP JSAPI_IDispatchEx::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

STDMETHODIMP JSAPI_IDispatchEx::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                              DISPID* ids) {
    if (!names || !ids)
        return E_POINTER;
    for (UINT i = 0; i < count; ++i) {
        BSTR name = SysAllocString(names[i]);
        const HRESULT hr = GetDispID(name, fdexNameCaseSensitive, &ids[i]);
        SysFreeString(name);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

STDMETHODIMP JSAPI_IDispatchEx::Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                                       VARIANT* result, EXCEPINFO* exception, UINT*) {
    return InvokeEx(id, lcid, flags, params, result, exception, nullptr);
}

STDMETHODIMP JSAPI_IDispatchEx::GetDispID(BSTR name, DWORD, DISPID* id) {
    if (!id)
        return E_POINTER;
    *id = DISPID_UNKNOWN;
    try {
        prepare();
        const std::wstring wide = name ? std::wstring(name, SysStringLen(name)) : std::wstring();
        const std::string narrow = wideToUtf8(wide);
        bool known = builtins().IsBuiltin(narrow);
        if (!known) {
            const JSAPIPtr api = GetAPI();
            known = api && (api->HasProperty(narrow) || api->HasMethod(narrow));
        }
        if (!known)
            return DISP_E_UNKNOWNNAME;
        *id = DispatchIdMap::Instance().IdOf(wide);
        return S_OK;
    } catch (...) {
        *id = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
}

VariantList JSAPI_IDispatchEx::arguments(DISPPARAMS* params) const {
    VariantList args;
    if (!params)
        return args;
    // Positional arguments follow the named ones and are stored last first; a "this" value
    // passed as the first named argument is not an argument of the call.
    UINT first = 0;
    if (params->cNamedArgs > 0 && params->rgdispidNamedArgs &&
        params->rgdispidNamedArgs[0] == DISPID_THIS)
        first = 1;
    const auto h = host();
    for (UINT i = params->cArgs; i > first; --i)
        args.push_back(fromVariant(h, params->rgvarg[i - 1]));
    return args;
}

HRESULT JSAPI_IDispatchEx::invoke(const std::string& name, DISPID id, WORD flags,
                                  DISPPARAMS* params, VARIANT* result) {
    const JSAPIPtr api = GetAPI();
    const auto h = host();
    if (!api || !h)
        throw object_invalidated();
    const bool get = (flags & DISPATCH_PROPERTYGET) != 0;
    const bool method = (flags & DISPATCH_METHOD) != 0;
    if (get && !method && !result)
        return E_INVALIDARG;
    if (get && !method) {
        switch (id) {
        case securityContextId:
            return S_OK;
        case readyStateId:
            result->vt = VT_I4;
            result->lVal = readyState();
            return S_OK;
        case enabledId:
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_TRUE;
            return S_OK;
        default:
            break;
        }
    }
    variant value;
    if (builtins().IsBuiltin(name)) {
        const JSAPIPtr function = builtins().Method(name);
        if (method)
            value = function->Invoke("", arguments(params));
        else if (get)
            value = function;
        else
            throw invalid_member("Invalid method or property name");
    } else if (method && (id == DISPID_VALUE || api->HasMethod(name))) {
        const VariantList args = arguments(params);
        const WipedArguments wiped(args);
        value = api->Invoke(id == DISPID_VALUE ? std::string() : name, args);
    } else if (flags & DISPATCH_CONSTRUCT) {
        value = api->Construct(arguments(params));
    } else if (get) {
        if (!result)
            return E_INVALIDARG;
        if (api->HasMethod(name))
            value =
                api->HasMethodObject(name) ? variant(api->GetMethodObject(name)) : variant(true);
        else
            value = api->GetProperty(name);
    } else if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) &&
               api->HasProperty(name) && params && params->cArgs > 0) {
        api->SetProperty(name, fromVariant(h, params->rgvarg[0]));
    } else {
        throw invalid_member("Invalid method or property name");
    }
    if (result)
        toVariant(h, value, *result);
    return S_OK;
}

STDMETHODIMP JSAPI_IDispatchEx::InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params,
                                         VARIANT* result, EXCEPINFO* exception, IServiceProvider*) {
    const std::optional<std::wstring> wide = DispatchIdMap::Instance().NameOf(id);
    if (!wide)
        return DISP_E_MEMBERNOTFOUND;
    std::string name;
    try {
        prepare();
        name = wideToUtf8(*wide);
        return invoke(name, id, flags, params, result);
    } catch (const invalid_member&) {
        return DISP_E_MEMBERNOTFOUND;
    } catch (const script_error& e) {
        m_lastException = std::string(e.what());
        if (exception) {
            *exception = EXCEPINFO{};
            exception->wCode = 0;
            exception->bstrSource = bstrOf(ControlMimeType);
            exception->bstrDescription = bstrOf(e.what());
            exception->scode = E_NOTIMPL;
        }
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_NOTIMPL;
    }
}

STDMETHODIMP JSAPI_IDispatchEx::DeleteMemberByName(BSTR, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP JSAPI_IDispatchEx::DeleteMemberByDispID(DISPID id) {
    const JSAPIPtr api = GetAPI();
    const std::optional<std::wstring> name = DispatchIdMap::Instance().NameOf(id);
    if (!api || !name)
        return S_FALSE;
    try {
        api->RemoveProperty(wideToUtf8(*name));
        return S_OK;
    } catch (const script_error& e) {
        m_lastException = std::string(e.what());
        return S_FALSE;
    } catch (...) {
        return S_FALSE;
    }
}

STDMETHODIMP JSAPI_IDispatchEx::GetMemberProperties(DISPID, DWORD, DWORD*) {
    return E_NOTIMPL;
}

STDMETHODIMP JSAPI_IDispatchEx::GetMemberName(DISPID id, BSTR* name) {
    if (!name)
        return E_POINTER;
    *name = nullptr;
    const std::optional<std::wstring> found = DispatchIdMap::Instance().NameOf(id);
    if (!found)
        return DISP_E_UNKNOWNNAME;
    *name = SysAllocStringLen(found->data(), static_cast<UINT>(found->size()));
    return S_OK;
}

STDMETHODIMP JSAPI_IDispatchEx::GetNextDispID(DWORD, DISPID id, DISPID* next) {
    if (!next)
        return E_POINTER;
    *next = DISPID_UNKNOWN;
    try {
        prepare();
        const JSAPIPtr api = GetAPI();
        if (!api)
            return S_FALSE;
        const auto& names = builtins().BuiltinNames();
        if (m_memberNames.size() != api->GetMemberCount() + names.size()) {
            std::vector<std::wstring> members;
            api->GetMemberNames(members);
            for (const std::string& builtin : names)
                members.push_back(utf8ToWide(builtin));
            m_memberNames = std::move(members);
        }
        DispatchIdMap& map = DispatchIdMap::Instance();
        auto at = m_memberNames.begin();
        if (id != DISPID_STARTENUM) {
            const std::optional<std::wstring> current = map.NameOf(id);
            at = current ? std::find(m_memberNames.begin(), m_memberNames.end(), *current)
                         : m_memberNames.end();
            if (at != m_memberNames.end())
                ++at;
        }
        // A member whose identifier is the start marker itself (toString) cannot be
        // enumerated: handing it out would start the enumeration again.
        for (; at != m_memberNames.end(); ++at) {
            const DISPID found = map.IdOf(*at);
            if (found != DISPID_STARTENUM) {
                *next = found;
                return S_OK;
            }
        }
        return S_FALSE;
    } catch (...) {
        return S_FALSE;
    }
}

STDMETHODIMP JSAPI_IDispatchEx::GetNameSpaceParent(IUnknown**) {
    return E_NOTIMPL;
}

} // namespace FB::ActiveX
