#include "BridgeFixture.h"

#include "FBComJavascriptObject.h"

using namespace FB;

TestObject::TestObject() {
    RegisterMethod("record", [this](const VariantList& args) {
        calls.push_back(args);
        return variant(static_cast<int>(args.size()));
    });
    RegisterMethod("echo",
                   [](const VariantList& args) { return args.empty() ? variant() : args[0]; });
    RegisterMethod("fail",
                   [](const VariantList&) -> variant { throw script_error("the page sees this"); });
    RegisterMethod("", [](const VariantList&) { return variant("default member"); });
    RegisterProperty(
        "size", PropertyFunctors{[this] { return size; }, [this](const variant& v) { size = v; }});
}

void BridgeFixture::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    host = std::make_shared<ActiveX::ActiveXBrowserHost>(nullptr);
    object = std::make_shared<TestObject>();
    wrapper =
        ActiveX::ComPtr<IDispatchEx>::Adopt(ActiveX::FBComJavascriptObject::Create(object, host));
}

void BridgeFixture::TearDown() {
    VariantClear(&result.v);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    wrapper.reset();
    host->Shutdown();
    host.reset();
    object.reset();
    CoUninitialize();
}

DISPID BridgeFixture::id(const wchar_t* name) {
    BSTR text = SysAllocString(name);
    DISPID found = 0;
    const HRESULT hr = wrapper->GetDispID(text, fdexNameCaseSensitive, &found);
    SysFreeString(text);
    EXPECT_EQ(hr, S_OK) << "GetDispID";
    return found;
}

HRESULT BridgeFixture::invoke(IDispatchEx* target, DISPID member, WORD flags,
                              std::vector<VARIANT> args, bool withResult,
                              std::vector<DISPID> named) {
    VariantClear(&result.v);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    exception = EXCEPINFO{};
    // DISPPARAMS keeps the named arguments first and the positional ones last to first.
    std::vector<VARIANT> stored(args.rbegin(), args.rend());
    DISPPARAMS params{stored.empty() ? nullptr : stored.data(),
                      named.empty() ? nullptr : named.data(), static_cast<UINT>(stored.size()),
                      static_cast<UINT>(named.size())};
    const HRESULT hr = target->InvokeEx(member, LOCALE_USER_DEFAULT, flags, &params,
                                        withResult ? &result.v : nullptr, &exception, nullptr);
    for (VARIANT& v : stored)
        VariantClear(&v);
    return hr;
}

HRESULT BridgeFixture::call(const wchar_t* name, std::vector<VARIANT> args) {
    return invoke(wrapper.get(), id(name), DISPATCH_METHOD, std::move(args));
}

HRESULT BridgeFixture::get(const wchar_t* name) {
    return invoke(wrapper.get(), id(name), DISPATCH_PROPERTYGET, {});
}

std::wstring BridgeFixture::resultText() const {
    if (result.v.vt != VT_BSTR)
        return L"(vt " + std::to_wstring(result.v.vt) + L")";
    return std::wstring(result.v.bstrVal, SysStringLen(result.v.bstrVal));
}

VARIANT BridgeFixture::text(const wchar_t* value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(value);
    return v;
}

VARIANT BridgeFixture::number(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}
