#pragma once

#include "ComModule.h"
#include "ComPtr.h"
#include "ConnectionPoint.h"
#include "JSAPI_IDispatchEx.h"
#include "PluginCore.h"

#include <objsafe.h>
#include <ocidl.h>
#include <oleidl.h>

#include <atomic>
#include <memory>

namespace FB::ActiveX {

class ActiveXBrowserHost;

// The ActiveX control of one <object> element: it makes its plug-in object at creation, gives
// it a browser host for the client site, its <param> values when loaded, and serves the
// element's root scripting object through its own dispatch face. It draws nothing and has no
// window.
class FBControl : public JSAPI_IDispatchEx,
                  public IOleObject,
                  public IOleControl,
                  public IOleInPlaceObjectWindowless,
                  public IViewObject2,
                  public IPersistPropertyBag,
                  public IPersistStreamInit,
                  public IProvideClassInfo2,
                  public IConnectionPointContainer,
                  public IObjectSafety {
public:
    // A new control with one reference for the caller.
    static FBControl* Create();

    // The plug-in object, until the control closes.
    const PluginCorePtr& Plugin() const { return m_plugin; }

    bool OwnsRetain() const override { return false; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return OLE_S_USEREG; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* cls) override;
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
    STDMETHODIMP FreezeEvents(BOOL) override { return S_OK; }

    // IOleInPlaceObjectWindowless
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override { return S_FALSE; }
    STDMETHODIMP GetDropTarget(IDropTarget**) override { return E_NOTIMPL; }

    // IViewObject2
    STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        return S_OK;
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

    // IPersistPropertyBag and IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* cls) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag*, BOOL, BOOL) override { return S_OK; }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override;
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IObjectSafety
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override;

    // The options the control supports: safe for untrusted callers and data.
    static constexpr DWORD SupportedSafety =
        INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

protected:
    void prepare() override;
    long readyState() const override { return m_readyState; }

private:
    FBControl();
    ~FBControl() override;

    // Makes the host for the site (or none) and hands it to the plug-in object.
    void connectHost(IOleClientSite* site);
    // Parameters set: binds the root scripting object, ready state 4 with its notification,
    // and the plug-in object's ready sequence.
    void makeReady(const VariantMap& params);
    void bindRoot();
    // Host and plug-in object shut down, in the NPAPI host's order; once.
    void shutdown();

    std::atomic<ULONG> m_refs{1};
    ModuleLock m_lock;

    PluginCorePtr m_plugin;
    std::shared_ptr<ActiveXBrowserHost> m_host;
    ComPtr<IOleClientSite> m_site;
    ComPtr<IOleAdviseHolder> m_adviseHolder;
    ComPtr<IAdviseSink> m_viewSink;
    DWORD m_viewAspects = 0;
    DWORD m_viewFlags = 0;
    SIZEL m_extent{2540, 2540};
    bool m_bound = false;
    bool m_ready = false;
    bool m_closed = false;
    bool m_inPlaceActive = false;
    long m_readyState = 0; // READYSTATE_UNINITIALIZED
    DWORD m_enabledSafety = 0;

    ConnectionPoint m_propertySinks;
    ConnectionPoint m_eventSinks;
};

} // namespace FB::ActiveX
