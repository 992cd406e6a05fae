#include "FBControl.h"

#include "ActiveXBrowserHost.h"
#include "ActiveXIds.h"
#include "ComVariant.h"
#include "FactoryBase.h"
#include "ModulePath.h"
#include "Utf.h"

#include <olectl.h>

#include <vector>

namespace FB::ActiveX {

namespace {

// What the control asks of its container: the client site first, activation when visible,
// drawn as a whole, never linked into.
constexpr DWORD miscStatus = 131473;

ComPtr<ITypeLib> typeLibrary() {
    ComPtr<ITypeLib> library;
    LoadTypeLib(utf8ToWide(modulePath()).c_str(), library.put());
    return library;
}

} // namespace

FBControl::FBControl()
    : m_propertySinks(this, IID_IPropertyNotifySink), m_eventSinks(this, DIID_IFBComEventSource) {
    m_plugin = getFactoryInstance()->CreatePlugin(ControlMimeType);
    if (m_plugin)
        m_plugin->SetFSPath(modulePath());
}

FBControl::~FBControl() {
    unbind();
    shutdown();
}

FBControl* FBControl::Create() {
    return new FBControl();
}

STDMETHODIMP FBControl::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    void* face = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IDispatchEx ||
        iid == IID_IFBControl)
        face = static_cast<IDispatchEx*>(this);
    else if (iid == IID_IOleObject)
        face = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleControl)
        face = static_cast<IOleControl*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject ||
             iid == IID_IOleInPlaceObjectWindowless)
        face = static_cast<IOleInPlaceObjectWindowless*>(this);
    else if (iid == IID_IViewObject || iid == IID_IViewObject2)
        face = static_cast<IViewObject2*>(this);
    else if (iid == IID_IPersist || iid == IID_IPersistPropertyBag)
        face = static_cast<IPersistPropertyBag*>(this);
    else if (iid == IID_IPersistStreamInit)
        face = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
        face = static_cast<IProvideClassInfo2*>(this);
    else if (iid == IID_IConnectionPointContainer)
        face = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IObjectSafety)
        face = static_cast<IObjectSafety*>(this);
    *out = face;
    if (!face)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) FBControl::AddRef() {
    return ++m_refs;
}

STDMETHODIMP_(ULONG) FBControl::Release() {
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

void FBControl::connectHost(IOleClientSite* site) {
    if (m_host && m_host->ClientSite() == site)
        return;
    if (m_host)
        m_host->Shutdown();
    m_host = std::make_shared<ActiveXBrowserHost>(site);
    if (m_plugin)
        m_plugin->SetHost(m_host);
    m_bound = false;
}

void FBControl::bindRoot() {
    if (m_bound || !m_plugin || !m_host)
        return;
    // Without a scripting object (it could not be made) the page gets failures this time; the
    // next call tries again.
    if (const JSAPIPtr root = m_plugin->GetRootJSAPI()) {
        Bind(root, m_host);
        m_host->AddWrapper(root, this);
        m_bound = true;
    }
}

void FBControl::prepare() {
    if (m_closed)
        return;
    if (!m_host)
        connectHost(nullptr);
    if (!m_ready)
        makeReady({});
    bindRoot();
}

void FBControl::makeReady(const VariantMap& params) {
    if (m_ready || m_closed || !m_plugin)
        return;
    if (!m_host)
        connectHost(m_site.get());
    m_ready = true;
    m_plugin->SetParams(params);
    bindRoot();
    m_readyState = 4; // READYSTATE_COMPLETE
    for (const auto& [cookie, sink] : m_propertySinks.Sinks())
        static_cast<IPropertyNotifySink*>(sink.get())->OnChanged(DISPID_READYSTATE);
    m_plugin->SetReady();
}

void FBControl::shutdown() {
    if (m_closed)
        return;
    m_closed = true;
    if (m_host)
        m_host->Shutdown();
    if (m_plugin) {
        m_plugin->ClearWindow();
        m_plugin->Shutdown();
    }
    m_propertySinks.Clear();
    m_eventSinks.Clear();
    m_plugin.reset();
    m_host.reset();
    m_site.reset();
}

STDMETHODIMP FBControl::SetClientSite(IOleClientSite* site) {
    if (m_closed)
        return site ? E_UNEXPECTED : S_OK;
    if (!site) {
        // The element goes: the browser takes its site back before the last release.
        shutdown();
        return S_OK;
    }
    m_site = ComPtr<IOleClientSite>(site);
    connectHost(site);
    return S_OK;
}

STDMETHODIMP FBControl::GetClientSite(IOleClientSite** site) {
    if (!site)
        return E_POINTER;
    *site = m_site.get();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

STDMETHODIMP FBControl::Close(DWORD) {
    InPlaceDeactivate();
    if (m_adviseHolder)
        m_adviseHolder->SendOnClose();
    shutdown();
    return S_OK;
}

STDMETHODIMP FBControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE: {
        if (m_inPlaceActive)
            return S_OK;
        IOleClientSite* active = site ? site : m_site.get();
        const auto windowless = ComPtr<IOleClientSite>(active).As<IOleInPlaceSiteWindowless>(
            IID_IOleInPlaceSiteWindowless);
        if (windowless && windowless->CanWindowlessActivate() == S_OK) {
            BOOL redraw = FALSE;
            windowless->OnInPlaceActivateEx(&redraw, ACTIVATE_WINDOWLESS);
            m_inPlaceActive = true;
            return S_OK;
        }
        const auto inPlace =
            ComPtr<IOleClientSite>(active).As<IOleInPlaceSite>(IID_IOleInPlaceSite);
        if (inPlace && inPlace->CanInPlaceActivate() == S_OK) {
            inPlace->OnInPlaceActivate();
            m_inPlaceActive = true;
        }
        return S_OK;
    }
    case OLEIVERB_HIDE:
        return S_OK;
    default:
        return OLEOBJ_S_INVALIDVERB;
    }
}

STDMETHODIMP FBControl::InPlaceDeactivate() {
    if (!m_inPlaceActive)
        return S_OK;
    m_inPlaceActive = false;
    if (const auto inPlace = m_site.As<IOleInPlaceSite>(IID_IOleInPlaceSite))
        inPlace->OnInPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP FBControl::GetWindow(HWND* window) {
    if (!window)
        return E_POINTER;
    *window = nullptr;
    return E_FAIL; // windowless
}

STDMETHODIMP FBControl::GetUserClassID(CLSID* cls) {
    return GetClassID(cls);
}

STDMETHODIMP FBControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    m_extent = *size;
    return S_OK;
}

STDMETHODIMP FBControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size)
        return E_POINTER;
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *size = m_extent;
    return S_OK;
}

STDMETHODIMP FBControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

STDMETHODIMP FBControl::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!m_adviseHolder && FAILED(CreateOleAdviseHolder(m_adviseHolder.put())))
        return E_OUTOFMEMORY;
    return m_adviseHolder->Advise(sink, connection);
}

STDMETHODIMP FBControl::Unadvise(DWORD connection) {
    return m_adviseHolder ? m_adviseHolder->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP FBControl::EnumAdvise(IEnumSTATDATA** advise) {
    return m_adviseHolder ? m_adviseHolder->EnumAdvise(advise) : E_FAIL;
}

STDMETHODIMP FBControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status)
        return E_POINTER;
    *status = miscStatus;
    return S_OK;
}

STDMETHODIMP FBControl::GetControlInfo(CONTROLINFO* info) {
    if (!info)
        return E_POINTER;
    info->cb = sizeof(CONTROLINFO);
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP FBControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    m_viewAspects = aspects;
    m_viewFlags = flags;
    m_viewSink = ComPtr<IAdviseSink>(sink);
    return S_OK;
}

STDMETHODIMP FBControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects)
        *aspects = m_viewAspects;
    if (flags)
        *flags = m_viewFlags;
    if (sink) {
        *sink = m_viewSink.get();
        if (*sink)
            (*sink)->AddRef();
    }
    return S_OK;
}

STDMETHODIMP FBControl::GetClassID(CLSID* cls) {
    if (!cls)
        return E_POINTER;
    *cls = CLSID_FBControl;
    return S_OK;
}

STDMETHODIMP FBControl::InitNew() {
    makeReady({});
    return S_OK;
}

STDMETHODIMP FBControl::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag)
        return E_POINTER;
    VariantMap params;
    if (!m_host)
        connectHost(m_site.get());
    // Every <param> of the element, names and values in one read.
    const auto bag2 = ComPtr<IPropertyBag>(bag).As<IPropertyBag2>(IID_IPropertyBag2);
    ULONG count = 0;
    if (bag2 && SUCCEEDED(bag2->CountProperties(&count)) && count > 0) {
        std::vector<PROPBAG2> info(count);
        ULONG got = 0;
        if (SUCCEEDED(bag2->GetPropertyInfo(0, count, info.data(), &got))) {
            std::vector<VARIANT> values(got);
            std::vector<HRESULT> results(got, E_FAIL);
            for (VARIANT& value : values)
                VariantInit(&value);
            if (SUCCEEDED(bag2->Read(got, info.data(), log, values.data(), results.data()))) {
                for (ULONG i = 0; i < got; ++i) {
                    if (SUCCEEDED(results[i]) && info[i].pstrName)
                        params[wideToUtf8(info[i].pstrName)] = fromVariant(m_host, values[i]);
                }
            }
            for (ULONG i = 0; i < got; ++i) {
                VariantClear(&values[i]);
                CoTaskMemFree(info[i].pstrName);
            }
        }
    }
    makeReady(params);
    return S_OK;
}

STDMETHODIMP FBControl::Load(LPSTREAM) {
    makeReady({});
    return S_OK;
}

STDMETHODIMP FBControl::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size)
        return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

STDMETHODIMP FBControl::GetClassInfo(ITypeInfo** info) {
    if (!info)
        return E_POINTER;
    *info = nullptr;
    const ComPtr<ITypeLib> library = typeLibrary();
    if (!library)
        return E_FAIL;
    return library->GetTypeInfoOfGuid(CLSID_FBControl, info);
}

STDMETHODIMP FBControl::GetGUID(DWORD kind, GUID* guid) {
    if (!guid)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID)
        return E_INVALIDARG;
    *guid = DIID_IFBComEventSource;
    return S_OK;
}

STDMETHODIMP FBControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (iid == IID_IPropertyNotifySink)
        *point = &m_propertySinks;
    else if (iid == DIID_IFBComEventSource)
        *point = &m_eventSinks;
    else
        return CONNECT_E_NOCONNECTION;
    (*point)->AddRef();
    return S_OK;
}

STDMETHODIMP FBControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
    if (!supported || !enabled)
        return E_POINTER;
    IUnknown* face = nullptr;
    if (FAILED(QueryInterface(iid, reinterpret_cast<void**>(&face))))
        return E_NOINTERFACE;
    face->Release();
    *supported = SupportedSafety;
    *enabled = m_enabledSafety;
    return S_OK;
}

STDMETHODIMP FBControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
    IUnknown* face = nullptr;
    if (FAILED(QueryInterface(iid, reinterpret_cast<void**>(&face))))
        return E_NOINTERFACE;
    face->Release();
    if (mask & ~SupportedSafety)
        return E_FAIL;
    m_enabledSafety = (m_enabledSafety & ~mask) | (enabled & mask);
    return S_OK;
}

} // namespace FB::ActiveX
