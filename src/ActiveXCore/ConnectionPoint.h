#pragma once

#include "ComPtr.h"

#include <ocidl.h>

#include <map>

namespace FB::ActiveX {

// One outgoing interface of the control: sinks advise here and are kept until they unadvise.
// Its life and reference count are the control's.
class ConnectionPoint : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* owner, REFIID iid) : m_owner(owner), m_iid(iid) {}

    // The sinks, for the control to notify.
    const std::map<DWORD, ComPtr<IUnknown>>& Sinks() const { return m_sinks; }
    void Clear() { m_sinks.clear(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_owner->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_owner->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

private:
    IConnectionPointContainer* const m_owner;
    const IID m_iid;
    std::map<DWORD, ComPtr<IUnknown>> m_sinks;
    DWORD m_nextCookie = 1;
};

} // namespace FB::ActiveX
