// The page's view of a scripting object through its dispatch wrapper: identifiers, every rule
// of InvokeEx and its failures, deletion, enumeration.
#include "BridgeFixture.h"

#include "ActiveXIds.h"
#include "DispatchIdMap.h"
#include "FBComJavascriptObject.h"

#include <algorithm>

using namespace FB;
using FB::ActiveX::ComPtr;
using FB::ActiveX::DispatchIdMap;

namespace {

class BridgeTest : public BridgeFixture {};

TEST_F(BridgeTest, NamesGetOneIdentifierForEveryWrapper) {
    const DISPID record = id(L"record");
    EXPECT_GE(record, DispatchIdMap::FirstFree);
    EXPECT_EQ(id(L"record"), record);
    const auto otherObject = std::make_shared<TestObject>();
    auto other =
        ComPtr<IDispatchEx>::Adopt(ActiveX::FBComJavascriptObject::Create(otherObject, host));
    BSTR name = SysAllocString(L"record");
    DISPID again = 0;
    EXPECT_EQ(other->GetDispID(name, fdexNameCaseSensitive, &again), S_OK);
    SysFreeString(name);
    EXPECT_EQ(again, record);
    for (const wchar_t* builtin : {L"attachEvent", L"detachEvent", L"getLastException"})
        EXPECT_GE(id(builtin), DispatchIdMap::FirstFree);
    EXPECT_EQ(id(L"onload"), static_cast<DISPID>(0x80011790U));
}

TEST_F(BridgeTest, ANameTheObjectRefusesIsUnknown) {
    // Dynamic attributes make most names known; reserved ones never are.
    BSTR name = SysAllocString(L"width");
    DISPID found = 0;
    EXPECT_EQ(wrapper->GetDispID(name, fdexNameCaseSensitive, &found), DISP_E_UNKNOWNNAME);
    SysFreeString(name);
    EXPECT_EQ(found, DISPID_UNKNOWN);

    LPOLESTR names[] = {const_cast<LPOLESTR>(L"record"), const_cast<LPOLESTR>(L"width"),
                        const_cast<LPOLESTR>(L"echo")};
    DISPID ids[3] = {0, 0, 7};
    EXPECT_EQ(wrapper->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids),
              DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], id(L"record"));
    EXPECT_EQ(ids[2], 7); // it stopped at the first failure
}

TEST_F(BridgeTest, ArgumentsArriveInTheirOrder) {
    ASSERT_EQ(call(L"record", {text(L"a"), number(2)}), S_OK);
    ASSERT_EQ(object->calls.size(), 1u);
    const VariantList& args = object->calls[0];
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[0].convert_to<std::string>(), "a");
    EXPECT_EQ(args[1].convert_to<long>(), 2);
    EXPECT_EQ(result.v.vt, VT_I4);
    EXPECT_EQ(result.v.lVal, 2);
}

TEST_F(BridgeTest, AThisValueIsNotAnArgument) {
    ASSERT_EQ(invoke(wrapper.get(), id(L"record"), DISPATCH_METHOD, {text(L"a"), number(9)}, true,
                     {DISPID_THIS}),
              S_OK);
    ASSERT_EQ(object->calls.size(), 1u);
    ASSERT_EQ(object->calls[0].size(), 1u);
    EXPECT_EQ(object->calls[0][0].convert_to<std::string>(), "a");
}

TEST_F(BridgeTest, IdentifierZeroCallsTheDefaultMember) {
    ASSERT_EQ(invoke(wrapper.get(), DISPID_VALUE, DISPATCH_METHOD, {}), S_OK);
    EXPECT_EQ(resultText(), L"default member");
}

TEST_F(BridgeTest, PropertyReads) {
    // Without a result pointer a read is refused.
    EXPECT_EQ(invoke(wrapper.get(), id(L"size"), DISPATCH_PROPERTYGET, {}, false), E_INVALIDARG);

    ASSERT_EQ(invoke(wrapper.get(), -525, DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(result.v.vt, VT_I4);
    EXPECT_EQ(result.v.lVal, 4);
    ASSERT_EQ(invoke(wrapper.get(), -514, DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(result.v.vt, VT_BOOL);
    EXPECT_EQ(result.v.boolVal, VARIANT_TRUE);
    ASSERT_EQ(invoke(wrapper.get(), -5511, DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(result.v.vt, VT_EMPTY);

    ASSERT_EQ(get(L"nothing"), S_OK); // an unset attribute reads as undefined
    EXPECT_EQ(result.v.vt, VT_EMPTY);
}

TEST_F(BridgeTest, PropertyWritesAndReads) {
    ASSERT_EQ(invoke(wrapper.get(), id(L"size"), DISPATCH_PROPERTYPUT, {number(7)}, false,
                     {DISPID_PROPERTYPUT}),
              S_OK);
    EXPECT_EQ(object->size.convert_to<long>(), 7);
    ASSERT_EQ(get(L"size"), S_OK);
    EXPECT_EQ(result.v.vt, VT_I4);
    EXPECT_EQ(result.v.lVal, 7);

    ASSERT_EQ(invoke(wrapper.get(), id(L"colour"), DISPATCH_PROPERTYPUT, {text(L"red")}, false,
                     {DISPID_PROPERTYPUT}),
              S_OK);
    ASSERT_EQ(get(L"colour"), S_OK);
    EXPECT_EQ(resultText(), L"red");

    // A name the object does not have.
    const DISPID width = DispatchIdMap::Instance().IdOf(L"width");
    EXPECT_EQ(invoke(wrapper.get(), width, DISPATCH_PROPERTYPUT, {number(1)}, false,
                     {DISPID_PROPERTYPUT}),
              DISP_E_MEMBERNOTFOUND);
}

TEST_F(BridgeTest, AMethodReadAsAValueIsCallable) {
    ASSERT_EQ(get(L"record"), S_OK);
    ASSERT_EQ(result.v.vt, VT_DISPATCH);
    auto method = ComPtr<IDispatch>(result.v.pdispVal).As<IDispatchEx>(IID_IDispatchEx);
    ASSERT_TRUE(method);
    ASSERT_EQ(get(L"record"), S_OK);
    EXPECT_EQ(result.v.pdispVal, method.get()) << "the same method object every time";
    ASSERT_EQ(invoke(method.get(), DISPID_VALUE, DISPATCH_METHOD, {text(L"x"), text(L"y")}), S_OK);
    ASSERT_EQ(object->calls.size(), 1u);
    EXPECT_EQ(object->calls[0].size(), 2u);
}

TEST_F(BridgeTest, ScriptErrorsBecomeExceptionsWithTheirMessage) {
    EXPECT_EQ(call(L"fail"), DISP_E_EXCEPTION);
    EXPECT_EQ(std::wstring(exception.bstrSource), L"application/x-kestrova");
    EXPECT_EQ(std::wstring(exception.bstrDescription), L"the page sees this");
    EXPECT_EQ(exception.scode, E_NOTIMPL);
    EXPECT_EQ(exception.wCode, 0);

    ASSERT_EQ(call(L"getLastException"), S_OK);
    EXPECT_EQ(resultText(), L"the page sees this");

    // A built-in with a wrong argument count fails the same way.
    EXPECT_EQ(call(L"attachEvent", {text(L"onload")}), DISP_E_EXCEPTION);
    EXPECT_EQ(std::wstring(exception.bstrDescription), L"Invalid Arguments");
    ASSERT_EQ(get(L"attachEvent"), S_OK);
    EXPECT_EQ(result.v.vt, VT_DISPATCH);
}

TEST_F(BridgeTest, CallsThatFindNoMember) {
    EXPECT_EQ(invoke(wrapper.get(), 7654321, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(wrapper.get(), id(L"size"), DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
    // Construct is refused by every scripting object.
    EXPECT_EQ(invoke(wrapper.get(), id(L"record"), DISPATCH_CONSTRUCT, {}), DISP_E_MEMBERNOTFOUND);
}

TEST_F(BridgeTest, DeletingMembers) {
    EXPECT_EQ(wrapper->DeleteMemberByDispID(7654321), S_FALSE);
    ASSERT_EQ(invoke(wrapper.get(), id(L"shade"), DISPATCH_PROPERTYPUT, {text(L"dark")}, false,
                     {DISPID_PROPERTYPUT}),
              S_OK);
    EXPECT_EQ(wrapper->DeleteMemberByDispID(id(L"shade")), S_OK);
    EXPECT_TRUE(object->GetAttribute("shade").is_empty());
    BSTR name = SysAllocString(L"shade");
    EXPECT_EQ(wrapper->DeleteMemberByName(name, 0), E_NOTIMPL);
    SysFreeString(name);
}

TEST_F(BridgeTest, EnumerationListsMembersThenBuiltIns) {
    std::vector<std::wstring> names;
    DISPID at = DISPID_STARTENUM;
    while (wrapper->GetNextDispID(fdexEnumAll, at, &at) == S_OK) {
        BSTR name = nullptr;
        ASSERT_EQ(wrapper->GetMemberName(at, &name), S_OK);
        names.emplace_back(name);
        SysFreeString(name);
        ASSERT_LT(names.size(), 100u);
    }
    // toString's identifier is the enumeration's start marker, so it is left out.
    const std::vector<std::wstring> expected = {
        L"",     L"echo",  L"fail",  L"getAttribute", L"record",      L"setAttribute",
        L"size", L"valid", L"value", L"attachEvent",  L"detachEvent", L"getLastException"};
    EXPECT_EQ(names, expected);

    BSTR unknown = nullptr;
    EXPECT_EQ(wrapper->GetMemberName(7654321, &unknown), DISP_E_UNKNOWNNAME);
}

TEST_F(BridgeTest, AWrapperWhoseObjectWentFailsEveryCall) {
    const DISPID record = id(L"record");
    object.reset();
    EXPECT_EQ(invoke(wrapper.get(), record, DISPATCH_METHOD, {}), DISP_E_EXCEPTION);
    EXPECT_EQ(std::wstring(exception.bstrDescription), L"This object is no longer valid");
    BSTR name = SysAllocString(L"record");
    DISPID found = 0;
    EXPECT_EQ(wrapper->GetDispID(name, 0, &found), DISP_E_UNKNOWNNAME);
    SysFreeString(name);
    EXPECT_EQ(wrapper->DeleteMemberByDispID(record), S_FALSE);
}

TEST_F(BridgeTest, TypeInformationIsNotOffered) {
    UINT count = 0;
    EXPECT_EQ(wrapper->GetTypeInfoCount(&count), E_NOTIMPL);
    IUnknown* parent = nullptr;
    EXPECT_EQ(wrapper->GetNameSpaceParent(&parent), E_NOTIMPL);
}

} // namespace
