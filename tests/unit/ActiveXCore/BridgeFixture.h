#pragma once

#include "ActiveXBrowserHost.h"
#include "ComPtr.h"
#include "JSAPIAuto.h"
#include "script_error.h"

#include <dispex.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A scripting object with members of each kind, recording the calls it gets.
class TestObject : public FB::JSAPIAuto {
public:
    TestObject();

    std::vector<FB::VariantList> calls;
    FB::variant size = 0;
};

// A VARIANT owned by the test.
struct Value {
    Value() { VariantInit(&v); }
    ~Value() { VariantClear(&v); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    VARIANT v;
};

// The page's side of the dispatch bridge: a host of the test's thread (no client site), a
// scripting object and its dispatch wrapper.
class BridgeFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    DISPID id(const wchar_t* name);
    // InvokeEx with the arguments given first to last; the result and the exception are kept.
    HRESULT invoke(IDispatchEx* object, DISPID id, WORD flags, std::vector<VARIANT> args,
                   bool withResult = true, std::vector<DISPID> named = {});
    HRESULT call(const wchar_t* name, std::vector<VARIANT> args = {});
    HRESULT get(const wchar_t* name);
    // The last result as text, for VT_BSTR.
    std::wstring resultText() const;

    static VARIANT text(const wchar_t* value);
    static VARIANT number(long value);

    std::shared_ptr<FB::ActiveX::ActiveXBrowserHost> host;
    std::shared_ptr<TestObject> object;
    FB::ActiveX::ComPtr<IDispatchEx> wrapper;
    Value result;
    EXCEPINFO exception{};
};
