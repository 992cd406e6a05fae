#include "ComVariant.h"

#include "ActiveXBrowserHost.h"
#include "DispatchCall.h"
#include "HeldTypeTable.h"
#include "IDispatchAPI.h"
#include "JSObject.h"
#include "SecureWipe.h"
#include "Utf.h"

#include <functional>
#include <string>

namespace FB::ActiveX {

namespace {

using Host = std::shared_ptr<ActiveXBrowserHost>;
using Translation = std::function<void(const Host&, const variant&, VARIANT&)>;

// The value converted by the system to another VARIANT type; false when it cannot be.
bool changed(const VARIANT& value, VARTYPE type, VARIANT& out) {
    VariantInit(&out);
    return SUCCEEDED(VariantChangeType(&out, const_cast<VARIANT*>(&value), 0, type));
}

void bstrTo(const std::wstring& text, VARIANT& result) {
    result.vt = VT_BSTR;
    result.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void dispatchTo(IDispatch* object, VARIANT& result) {
    if (object) {
        result.vt = VT_DISPATCH;
        result.pdispVal = object;
    } else {
        result.vt = VT_NULL;
    }
}

void apiTo(const Host& host, const JSAPIPtr& api, VARIANT& result) {
    if (!api) {
        result.vt = VT_NULL;
        return;
    }
    if (const auto page = std::dynamic_pointer_cast<IDispatchAPI>(api)) {
        page->GetIDispatch()->AddRef();
        dispatchTo(page->GetIDispatch(), result);
        return;
    }
    if (host)
        dispatchTo(host->GetJSAPIWrapper(api), result);
}

template <class T> Translation as(VARTYPE type, T VARIANT::*member) {
    return [type, member](const Host&, const variant& v, VARIANT& r) {
        r.vt = type;
        r.*member = static_cast<T>(*v.get_if<T>());
    };
}

// The same with a held type that differs from the VARIANT member's.
template <class Held, class Member> Translation asMember(VARTYPE type, Member VARIANT::*member) {
    return [type, member](const Host&, const variant& v, VARIANT& r) {
        r.vt = type;
        r.*member = static_cast<Member>(*v.get_if<Held>());
    };
}

void listTo(const Host& host, const variant& v, VARIANT& result) {
    IDispatch* array = host ? host->CreateArray() : nullptr;
    if (!array)
        return;
    const DispatchCall call(array);
    const DISPID push = call.IdOf(L"push");
    for (const variant& item : *v.get_if<VariantList>())
        call.Call(push, DISPATCH_METHOD, host, {item}, nullptr);
    dispatchTo(array, result);
}

void mapTo(const Host& host, const variant& v, VARIANT& result) {
    IDispatch* object = host ? host->CreateMap() : nullptr;
    if (!object)
        return;
    const DispatchCall call(object);
    for (const auto& [name, item] : *v.get_if<VariantMap>())
        call.Call(call.IdOf(utf8ToWide(name), true), DISPATCH_PROPERTYPUT, host, {item}, nullptr);
    dispatchTo(object, result);
}

const HeldTypeTable<Translation>& translations() {
    static const HeldTypeTable<Translation> table = [] {
        HeldTypeTable<Translation> t;
        t.add<bool>([](const Host&, const variant& v, VARIANT& r) {
            r.vt = VT_BOOL;
            r.boolVal = *v.get_if<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
        });
        t.add<char>(asMember<char, CHAR>(VT_I1, &VARIANT::cVal));
        t.add<unsigned char>(as<unsigned char>(VT_UI1, &VARIANT::bVal));
        t.add<short>(as<short>(VT_I2, &VARIANT::iVal));
        t.add<unsigned short>(as<unsigned short>(VT_UI2, &VARIANT::uiVal));
        t.add<int>(asMember<int, LONG>(VT_I4, &VARIANT::lVal));
        t.add<long>(asMember<long, LONG>(VT_I4, &VARIANT::lVal));
        t.add<unsigned int>(asMember<unsigned int, ULONG>(VT_UI4, &VARIANT::ulVal));
        t.add<unsigned long>(asMember<unsigned long, ULONG>(VT_UI4, &VARIANT::ulVal));
        t.add<long long>(asMember<long long, LONGLONG>(VT_I8, &VARIANT::llVal));
        t.add<unsigned long long>(
            asMember<unsigned long long, ULONGLONG>(VT_UI8, &VARIANT::ullVal));
        t.add<float>(as<float>(VT_R4, &VARIANT::fltVal));
        t.add<double>(as<double>(VT_R8, &VARIANT::dblVal));
        t.add<std::string>([](const Host&, const variant& v, VARIANT& r) {
            bstrTo(utf8ToWide(*v.get_if<std::string>()), r);
        });
        t.add<std::wstring>([](const Host&, const variant& v, VARIANT& r) {
            bstrTo(*v.get_if<std::wstring>(), r);
        });
        t.add<variant_detail::null>(
            [](const Host&, const variant&, VARIANT& r) { r.vt = VT_NULL; });
        t.add<variant_detail::empty>(
            [](const Host&, const variant&, VARIANT& r) { r.vt = VT_EMPTY; });
        t.add<VariantList>(listTo);
        t.add<VariantMap>(mapTo);
        t.add<JSAPIPtr>([](const Host& host, const variant& v, VARIANT& r) {
            apiTo(host, *v.get_if<JSAPIPtr>(), r);
        });
        t.add<JSAPIWeakPtr>([](const Host& host, const variant& v, VARIANT& r) {
            apiTo(host, v.get_if<JSAPIWeakPtr>()->lock(), r);
        });
        t.add<JSObjectPtr>([](const Host& host, const variant& v, VARIANT& r) {
            apiTo(host, *v.get_if<JSObjectPtr>(), r);
        });
        return t;
    }();
    return table;
}

} // namespace

variant fromVariant(const Host& host, const VARIANT& value) {
    VARIANT converted;
    switch (value.vt) {
    case VT_EMPTY:
        return variant();
    case VT_NULL:
        return variant(variant_detail::null());
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_INT:
        if (changed(value, VT_I4, converted))
            return variant(static_cast<long>(converted.lVal));
        return variant();
    case VT_UI4:
    case VT_UINT:
        if (changed(value, VT_UI4, converted))
            return variant(static_cast<unsigned long>(converted.ulVal));
        return variant();
    case VT_I8:
        return variant(static_cast<long long>(value.llVal));
    case VT_UI8:
        return variant(static_cast<unsigned long long>(value.ullVal));
    case VT_R4:
    case VT_R8:
    case VT_DECIMAL:
        if (changed(value, VT_R8, converted))
            return variant(converted.dblVal);
        return variant();
    case VT_BOOL:
        return variant(value.boolVal == VARIANT_TRUE);
    case VT_ERROR:
        if (changed(value, VT_BOOL, converted))
            return variant(converted.boolVal == VARIANT_TRUE);
        return variant();
    case VT_BSTR: {
        // The page's text may be a secret: the copies made on the way into the variant are
        // wiped.
        std::wstring wide;
        if (value.bstrVal)
            wide.assign(value.bstrVal, SysStringLen(value.bstrVal));
        std::string text = wideToUtf8(wide);
        variant converted(text);
        secureWipe(text);
        secureWipe(wide.data(), wide.size() * sizeof(wchar_t));
        return converted;
    }
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_CLSID:
        if (changed(value, VT_BSTR, converted)) {
            variant text = fromVariant(host, converted);
            VariantClear(&converted);
            return text;
        }
        return variant();
    case VT_DISPATCH:
        if (!value.pdispVal)
            return variant(variant_detail::null());
        if (!host)
            return variant();
        return variant(JSObjectPtr(std::make_shared<IDispatchAPI>(value.pdispVal, host)));
    default:
        return variant();
    }
}

void toVariant(const Host& host, const variant& value, VARIANT& result) {
    VariantClear(&result);
    if (const Translation* translation = translations().Find(value))
        (*translation)(host, value, result);
}

} // namespace FB::ActiveX
