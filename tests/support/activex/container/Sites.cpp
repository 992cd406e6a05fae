#include "Sites.h"

#include <cstring>

namespace {

template <class T> HRESULT answer(T* face, void** out) {
    *out = face;
    face->AddRef();
    return S_OK;
}

} // namespace

ClientSite::ClientSite(IOleContainer* document, IDispatch* element)
    : m_document(document), m_element(element) {
    m_document->AddRef();
    m_element->AddRef();
}

ClientSite::~ClientSite() {
    m_document->Release();
    m_element->Release();
}

STDMETHODIMP ClientSite::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        return answer(static_cast<IOleClientSite*>(this), out);
    if (iid == IID_IOleControlSite)
        return answer(static_cast<IOleControlSite*>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClientSite::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP ClientSite::GetContainer(IOleContainer** container) {
    if (!container)
        return E_POINTER;
    return answer(m_document, reinterpret_cast<void**>(container));
}

STDMETHODIMP ClientSite::GetExtendedControl(IDispatch** element) {
    if (!element)
        return E_POINTER;
    return answer(m_element, reinterpret_cast<void**>(element));
}

STDMETHODIMP PropertyBag::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPropertyBag)
        return answer(static_cast<IPropertyBag*>(this), out);
    if (iid == IID_IPropertyBag2)
        return answer(static_cast<IPropertyBag2*>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PropertyBag::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    for (const auto& [param, text] : m_params) {
        if (param == name) {
            VariantClear(value);
            value->vt = VT_BSTR;
            value->bstrVal = SysAllocString(text.c_str());
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

STDMETHODIMP PropertyBag::Read(ULONG count, PROPBAG2* bag, IErrorLog* log, VARIANT* values,
                               HRESULT* results) {
    for (ULONG i = 0; i < count; ++i) {
        VariantInit(&values[i]);
        results[i] = Read(bag[i].pstrName, &values[i], log);
    }
    return S_OK;
}

STDMETHODIMP PropertyBag::CountProperties(ULONG* count) {
    *count = static_cast<ULONG>(m_params.size());
    return S_OK;
}

STDMETHODIMP PropertyBag::GetPropertyInfo(ULONG first, ULONG count, PROPBAG2* bag, ULONG* got) {
    *got = 0;
    for (ULONG i = first; i < m_params.size() && *got < count; ++i, ++*got) {
        PROPBAG2& entry = bag[*got];
        entry = PROPBAG2{};
        entry.dwType = PROPBAG2_TYPE_DATA;
        entry.vt = VT_BSTR;
        const std::wstring& name = m_params[i].first;
        entry.pstrName = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(wchar_t)));
        std::memcpy(entry.pstrName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    }
    return S_OK;
}

STDMETHODIMP PropertySink::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink)
        return answer(static_cast<IPropertyNotifySink*>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PropertySink::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP ScriptSite::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IActiveScriptSite)
        return answer(static_cast<IActiveScriptSite*>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ScriptSite::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP ScriptSite::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                                     ITypeInfo** info) {
    if (info)
        *info = nullptr;
    if (!(mask & SCRIPTINFO_IUNKNOWN))
        return (mask & SCRIPTINFO_ITYPEINFO) ? TYPE_E_ELEMENTNOTFOUND : E_INVALIDARG;
    *item = m_items(name);
    return *item ? S_OK : TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP ScriptSite::OnScriptError(IActiveScriptError* error) {
    EXCEPINFO exception{};
    error->GetExceptionInfo(&exception);
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    error->GetSourcePosition(&context, &line, &column);
    std::wstring text = L"script error, line " + std::to_wstring(line + 1) + L": " +
                        (exception.bstrDescription ? exception.bstrDescription : L"(no text)");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    m_errors(text);
    return S_OK;
}
