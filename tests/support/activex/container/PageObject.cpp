#include "PageObject.h"

PageObject* PageObject::Create() {
    return new PageObject();
}

PageObject::~PageObject() {
    Clear();
}

void PageObject::Clear() {
    for (auto& [id, member] : m_members)
        VariantClear(&member.value);
    m_members.clear();
    if (m_fallback)
        m_fallback->Release();
    m_fallback = nullptr;
}

DISPID PageObject::idOf(const std::wstring& name) const {
    for (const auto& [id, member] : m_members) {
        if (member.name == name && !member.deleted)
            return id;
    }
    return DISPID_UNKNOWN;
}

DISPID PageObject::add(const std::wstring& name) {
    const DISPID id = m_next++;
    Member& member = m_members[id];
    member.name = name;
    VariantInit(&member.value);
    return id;
}

PageObject::Member* PageObject::find(DISPID id) {
    const auto found = m_members.find(id);
    return found == m_members.end() || found->second.deleted ? nullptr : &found->second;
}

void PageObject::SetProperty(const std::wstring& name, const VARIANT& value) {
    DISPID id = idOf(name);
    if (id == DISPID_UNKNOWN)
        id = add(name);
    VariantCopy(&m_members[id].value, const_cast<VARIANT*>(&value));
}

void PageObject::SetObject(const std::wstring& name, IDispatch* object) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = object;
    SetProperty(name, value);
}

void PageObject::SetMethod(const std::wstring& name, Method method) {
    DISPID id = idOf(name);
    if (id == DISPID_UNKNOWN)
        id = add(name);
    m_members[id].method = std::move(method);
}

void PageObject::SetFallback(IDispatchEx* fallback) {
    if (fallback)
        fallback->AddRef();
    if (m_fallback)
        m_fallback->Release();
    m_fallback = fallback;
}

STDMETHODIMP PageObject::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IDispatchEx) {
        *out = static_cast<IDispatchEx*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PageObject::AddRef() {
    return ++m_refs;
}

STDMETHODIMP_(ULONG) PageObject::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP PageObject::GetTypeInfoCount(UINT* count) {
    if (count)
        *count = 0;
    return S_OK;
}

STDMETHODIMP PageObject::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

STDMETHODIMP PageObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; i < count; ++i) {
        BSTR name = SysAllocString(names[i]);
        const HRESULT hr = GetDispID(name, fdexNameCaseSensitive, &ids[i]);
        SysFreeString(name);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

STDMETHODIMP PageObject::Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT*) {
    return InvokeEx(id, lcid, flags, params, result, exception, nullptr);
}

STDMETHODIMP PageObject::GetDispID(BSTR name, DWORD flags, DISPID* id) {
    if (!id)
        return E_POINTER;
    const std::wstring text = name ? name : L"";
    *id = idOf(text);
    if (*id != DISPID_UNKNOWN)
        return S_OK;
    if (m_fallback && !m_askingFallback) {
        m_askingFallback = true;
        DISPID fallbackId = DISPID_UNKNOWN;
        const HRESULT hr = m_fallback->GetDispID(name, flags & ~fdexNameEnsure, &fallbackId);
        m_askingFallback = false;
        if (SUCCEEDED(hr) && fallbackId != DISPID_UNKNOWN) {
            *id = add(text);
            m_members[*id].fallbackId = fallbackId;
            return S_OK;
        }
    }
    if (flags & fdexNameEnsure) {
        *id = add(text);
        return S_OK;
    }
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP PageObject::InvokeEx(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params,
                                  VARIANT* result, EXCEPINFO* exception, IServiceProvider* caller) {
    Member* member = find(id);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    if (member->fallbackId != DISPID_UNKNOWN)
        return m_fallback ? m_fallback->InvokeEx(member->fallbackId, lcid, flags, params, result,
                                                 exception, caller)
                          : DISP_E_MEMBERNOTFOUND;
    if (member->method && (flags & DISPATCH_METHOD)) {
        std::vector<VARIANT*> args;
        const UINT count = params ? params->cArgs - params->cNamedArgs : 0;
        for (UINT i = count; i > 0; --i)
            args.push_back(&params->rgvarg[params->cNamedArgs + i - 1]);
        if (result)
            VariantInit(result);
        return member->method(args, result);
    }
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!params || params->cArgs < 1)
            return DISP_E_BADPARAMCOUNT;
        return VariantCopy(&member->value, &params->rgvarg[0]);
    }
    if ((flags & DISPATCH_METHOD) && member->value.vt == VT_DISPATCH && member->value.pdispVal) {
        // A function stored as a property (window.f = function ...) called as a method.
        IDispatch* function = member->value.pdispVal;
        return function->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_METHOD, params, result,
                                exception, nullptr);
    }
    if (flags & DISPATCH_PROPERTYGET) {
        if (!result)
            return E_INVALIDARG;
        VariantInit(result);
        return VariantCopy(result, &member->value);
    }
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP PageObject::DeleteMemberByName(BSTR name, DWORD) {
    const DISPID id = idOf(name ? name : L"");
    return id == DISPID_UNKNOWN ? S_FALSE : DeleteMemberByDispID(id);
}

STDMETHODIMP PageObject::DeleteMemberByDispID(DISPID id) {
    Member* member = find(id);
    if (!member)
        return S_FALSE;
    VariantClear(&member->value);
    member->deleted = true;
    return S_OK;
}

STDMETHODIMP PageObject::GetMemberName(DISPID id, BSTR* name) {
    Member* member = find(id);
    if (!member || !name)
        return DISP_E_UNKNOWNNAME;
    *name = SysAllocString(member->name.c_str());
    return S_OK;
}

STDMETHODIMP PageObject::GetNextDispID(DWORD, DISPID id, DISPID* next) {
    auto it = id == DISPID_STARTENUM ? m_members.begin() : m_members.upper_bound(id);
    for (; it != m_members.end(); ++it) {
        if (!it->second.deleted && it->second.fallbackId == DISPID_UNKNOWN) {
            *next = it->first;
            return S_OK;
        }
    }
    *next = DISPID_UNKNOWN;
    return S_FALSE;
}

PageDocument* PageDocument::Create() {
    return new PageDocument();
}

STDMETHODIMP PageDocument::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IOleContainer || iid == IID_IParseDisplayName) {
        *out = static_cast<IOleContainer*>(this);
        AddRef();
        return S_OK;
    }
    return PageObject::QueryInterface(iid, out);
}
