#pragma once

#include "APITypes.h"
#include "ComPtr.h"
#include "variant.h"

#include <dispex.h>

#include <memory>
#include <string>
#include <vector>

namespace FB {
class BuiltinMembers;
}

namespace FB::ActiveX {

class ActiveXBrowserHost;

// The dispatch face through which the page reaches one scripting object: the control itself for
// the element's root scripting object, an FBComJavascriptObject for any other. Names map to
// identifiers through the process-wide DispatchIdMap; failures reach the page as exceptions
// whose source is the control's MIME type. The face holds its scripting object and host
// weakly: once either is gone, every call fails. Main thread only. The concrete class supplies
// IUnknown.
class JSAPI_IDispatchEx : public IDispatchEx {
public:
    JSAPI_IDispatchEx();
    virtual ~JSAPI_IDispatchEx();
    JSAPI_IDispatchEx(const JSAPI_IDispatchEx&) = delete;
    JSAPI_IDispatchEx& operator=(const JSAPI_IDispatchEx&) = delete;

    void Bind(const JSAPIPtr& api, const std::shared_ptr<ActiveXBrowserHost>& host);
    JSAPIPtr GetAPI() const { return m_api.lock(); }
    // Whether the host retained the scripting object for this wrapper (to release it when the
    // wrapper goes).
    virtual bool OwnsRetain() const = 0;
    // The scripting object behind one of our own faces, or none.
    static JSAPIWeakPtr WrappedAPI(IDispatch* object);

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;
    // IDispatchEx
    STDMETHODIMP GetDispID(BSTR name, DWORD flags, DISPID* id) override;
    STDMETHODIMP InvokeEx(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, IServiceProvider* caller) override;
    STDMETHODIMP DeleteMemberByName(BSTR name, DWORD flags) override;
    STDMETHODIMP DeleteMemberByDispID(DISPID id) override;
    STDMETHODIMP GetMemberProperties(DISPID id, DWORD fetch, DWORD* properties) override;
    STDMETHODIMP GetMemberName(DISPID id, BSTR* name) override;
    STDMETHODIMP GetNextDispID(DWORD flags, DISPID id, DISPID* next) override;
    STDMETHODIMP GetNameSpaceParent(IUnknown** parent) override;

protected:
    // Runs before every dispatch call: the control connects itself to its scripting object on
    // first use when no browser did.
    virtual void prepare() {}
    // What the ready-state identifier (-525) reads.
    virtual long readyState() const { return 4; }
    // The wrapper goes: its cache entry and method objects with it.
    void unbind();

    std::shared_ptr<ActiveXBrowserHost> host() const { return m_host.lock(); }

private:
    HRESULT invoke(const std::string& name, DISPID id, WORD flags, DISPPARAMS* params,
                   VARIANT* result);
    BuiltinMembers& builtins();
    VariantList arguments(DISPPARAMS* params) const;

    JSAPIWeakPtr m_api;
    std::weak_ptr<ActiveXBrowserHost> m_host;
    variant m_lastException;
    std::vector<std::wstring> m_memberNames;
    std::shared_ptr<BuiltinMembers> m_builtins;
};

} // namespace FB::ActiveX
