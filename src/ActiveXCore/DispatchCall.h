#pragma once

#include "ComPtr.h"
#include "variant.h"

#include <dispex.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

namespace FB::ActiveX {

class ActiveXBrowserHost;

// Calls on a page object through IDispatchEx when it has one, else IDispatch, always with the
// user default locale. Main thread only.
class DispatchCall {
public:
    explicit DispatchCall(IDispatch* object);

    // The member's identifier, or DISPID_UNKNOWN; ensure creates a new expando member where the
    // object allows it.
    DISPID IdOf(const std::wstring& name, bool ensure = false) const;
    // flags: DISPATCH_PROPERTYGET, DISPATCH_METHOD, DISPATCH_CONSTRUCT or DISPATCH_PROPERTYPUT.
    // The arguments are given first to last. Fills *error with the object's exception text
    // when it raised one.
    HRESULT Call(DISPID id, WORD flags, const std::shared_ptr<ActiveXBrowserHost>& host,
                 const VariantList& args, variant* result, std::string* error = nullptr) const;
    HRESULT Delete(const std::wstring& name) const;
    // Member names, through IDispatchEx enumeration; false without IDispatchEx.
    bool Names(std::vector<std::string>& names) const;

    IDispatch* Object() const { return m_object.get(); }
    IDispatchEx* ObjectEx() const { return m_objectEx.get(); }

private:
    ComPtr<IDispatch> m_object;
    ComPtr<IDispatchEx> m_objectEx;
};

} // namespace FB::ActiveX
