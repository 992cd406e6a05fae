#include "DispatchCall.h"

#include "ComVariant.h"
#include "Utf.h"

namespace FB::ActiveX {

namespace {

constexpr LCID userLocale = LOCALE_USER_DEFAULT;

// VARIANT arguments in the order DISPPARAMS keeps them (last first), cleared on every way out.
class Arguments {
public:
    Arguments(const std::shared_ptr<ActiveXBrowserHost>& host, const VariantList& args)
        : m_values(args.size()) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            VariantInit(&m_values[args.size() - 1 - i]);
            toVariant(host, args[i], m_values[args.size() - 1 - i]);
        }
    }
    ~Arguments() {
        for (VARIANT& value : m_values)
            VariantClear(&value);
    }
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    VARIANT* data() { return m_values.empty() ? nullptr : m_values.data(); }
    UINT size() const { return static_cast<UINT>(m_values.size()); }

private:
    std::vector<VARIANT> m_values;
};

} // namespace

DispatchCall::DispatchCall(IDispatch* object)
    : m_object(object), m_objectEx(m_object.As<IDispatchEx>(IID_IDispatchEx)) {}

DISPID DispatchCall::IdOf(const std::wstring& name, bool ensure) const {
    DISPID id = DISPID_UNKNOWN;
    if (m_objectEx) {
        BSTR text = SysAllocString(name.c_str());
        const HRESULT hr =
            m_objectEx->GetDispID(text, fdexNameCaseSensitive | (ensure ? fdexNameEnsure : 0), &id);
        SysFreeString(text);
        return SUCCEEDED(hr) ? id : DISPID_UNKNOWN;
    }
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    if (FAILED(m_object->GetIDsOfNames(IID_NULL, names, 1, userLocale, &id)))
        return DISPID_UNKNOWN;
    return id;
}

HRESULT DispatchCall::Call(DISPID id, WORD flags, const std::shared_ptr<ActiveXBrowserHost>& host,
                           const VariantList& args, variant* result, std::string* error) const {
    Arguments values(host, args);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{values.data(), nullptr, values.size(), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    VARIANT out;
    VariantInit(&out);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr =
        m_objectEx ? m_objectEx->InvokeEx(id, userLocale, flags, &params, &out, &exception, nullptr)
                   : m_object->Invoke(id, IID_NULL, userLocale, flags, &params, &out, &exception,
                                      &argumentError);
    if (hr == DISP_E_EXCEPTION && error && exception.bstrDescription)
        *error = wideToUtf8(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (SUCCEEDED(hr) && result)
        *result = fromVariant(host, out);
    VariantClear(&out);
    return hr;
}

HRESULT DispatchCall::Delete(const std::wstring& name) const {
    if (!m_objectEx)
        return E_NOINTERFACE;
    BSTR text = SysAllocString(name.c_str());
    const HRESULT hr = m_objectEx->DeleteMemberByName(text, fdexNameCaseSensitive);
    SysFreeString(text);
    return hr;
}

bool DispatchCall::Names(std::vector<std::string>& names) const {
    if (!m_objectEx)
        return false;
    DISPID id = DISPID_STARTENUM;
    while (m_objectEx->GetNextDispID(fdexEnumAll, id, &id) == S_OK) {
        BSTR name = nullptr;
        if (SUCCEEDED(m_objectEx->GetMemberName(id, &name)) && name)
            names.push_back(wideToUtf8(name));
        SysFreeString(name);
    }
    return true;
}

} // namespace FB::ActiveX
