#pragma once

#include <dispex.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// An object of the test page as script and plug-in see it: named properties (script may add
// more), methods implemented by the container, and optionally a second object whose members it
// also shows (the window shows the script engine's global variables, as a browser's does).
class PageObject : public IDispatchEx {
public:
    // Arguments first to last; the result may be left empty.
    using Method = std::function<HRESULT(const std::vector<VARIANT*>& args, VARIANT* result)>;

    static PageObject* Create();

    void SetProperty(const std::wstring& name, const VARIANT& value);
    void SetObject(const std::wstring& name, IDispatch* object);
    void SetMethod(const std::wstring& name, Method method);
    // Names this object does not have are looked up there (with a guard against the engine
    // asking back).
    void SetFallback(IDispatchEx* fallback);
    void Clear();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT*) override;
    STDMETHODIMP GetDispID(BSTR name, DWORD flags, DISPID* id) override;
    STDMETHODIMP InvokeEx(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, IServiceProvider* caller) override;
    STDMETHODIMP DeleteMemberByName(BSTR name, DWORD flags) override;
    STDMETHODIMP DeleteMemberByDispID(DISPID id) override;
    STDMETHODIMP GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMemberName(DISPID id, BSTR* name) override;
    STDMETHODIMP GetNextDispID(DWORD flags, DISPID id, DISPID* next) override;
    STDMETHODIMP GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

protected:
    PageObject() = default;
    virtual ~PageObject();

private:
    struct Member {
        std::wstring name;
        VARIANT value; // for properties
        Method method;
        DISPID fallbackId = DISPID_UNKNOWN; // a member of the fallback object
        bool deleted = false;
    };

    Member* find(DISPID id);
    DISPID idOf(const std::wstring& name) const;
    DISPID add(const std::wstring& name);

    ULONG m_refs = 1;
    std::map<DISPID, Member> m_members;
    DISPID m_next = 1000;
    IDispatchEx* m_fallback = nullptr;
    bool m_askingFallback = false;
};

// The page's document: an object the control's client site hands out as its container.
class PageDocument : public PageObject, public IOleContainer {
public:
    static PageDocument* Create();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return PageObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return PageObject::Release(); }

    STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumObjects(DWORD, IEnumUnknown**) override { return E_NOTIMPL; }
    STDMETHODIMP LockContainer(BOOL) override { return S_OK; }

private:
    PageDocument() = default;
};
