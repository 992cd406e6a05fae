#pragma once

#include <activscp.h>
#include <ocidl.h>
#include <oleidl.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The control's place in the page: its client site leads to the page document.
class ClientSite final : public IOleClientSite, public IOleControlSite {
public:
    ClientSite(IOleContainer* document, IDispatch* element);
    ~ClientSite();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** element) override;
    STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

private:
    ULONG m_refs = 1;
    IOleContainer* m_document;
    IDispatch* m_element;
};

// The <param> values of the element, read through IPropertyBag2 as a browser offers them.
class PropertyBag final : public IPropertyBag, public IPropertyBag2 {
public:
    explicit PropertyBag(std::vector<std::pair<std::wstring, std::wstring>> params)
        : m_params(std::move(params)) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP Read(ULONG count, PROPBAG2* bag, IErrorLog*, VARIANT* values,
                      HRESULT* results) override;
    STDMETHODIMP Write(ULONG, PROPBAG2*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP CountProperties(ULONG* count) override;
    STDMETHODIMP GetPropertyInfo(ULONG first, ULONG count, PROPBAG2* bag, ULONG* got) override;
    STDMETHODIMP LoadObject(LPCOLESTR, DWORD, IUnknown*, IErrorLog*) override { return E_NOTIMPL; }

private:
    ULONG m_refs = 1;
    std::vector<std::pair<std::wstring, std::wstring>> m_params;
};

// Counts the control's property-change notifications, by identifier.
class PropertySink final : public IPropertyNotifySink {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP OnChanged(DISPID id) override {
        ++changes[id];
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

    std::map<DISPID, int> changes;

private:
    ULONG m_refs = 1;
};

// The script engine's site: named items come from the container, errors are reported.
class ScriptSite final : public IActiveScriptSite {
public:
    using ItemLookup = std::function<IUnknown*(const std::wstring& name)>;
    using ErrorReport = std::function<void(const std::wstring& text)>;
    ScriptSite(ItemLookup items, ErrorReport errors)
        : m_items(std::move(items)), m_errors(std::move(errors)) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetLCID(LCID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                             ITypeInfo** info) override;
    STDMETHODIMP GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override;
    STDMETHODIMP OnEnterScript() override { return S_OK; }
    STDMETHODIMP OnLeaveScript() override { return S_OK; }

private:
    ULONG m_refs = 1;
    ItemLookup m_items;
    ErrorReport m_errors;
};
