#include "ConnectionPoint.h"

#include <olectl.h>

namespace FB::ActiveX {

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid)
        return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container)
        return E_POINTER;
    *container = m_owner;
    m_owner->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    IUnknown* typed = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(&typed))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = m_nextCookie++;
    m_sinks[*cookie] = ComPtr<IUnknown>::Adopt(typed);
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    return m_sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections**) {
    return E_NOTIMPL;
}

} // namespace FB::ActiveX
