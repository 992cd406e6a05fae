// The control as a container meets it before any page: safety options, class information,
// connection points, and the module's life cycle around it.
#include "ActiveXIds.h"
#include "ComModule.h"
#include "ComPtr.h"
#include "FBControl.h"
#include "PluginCore.h"

#include <gtest/gtest.h>
#include <objsafe.h>
#include <olectl.h>

using FB::ActiveX::ComModule;
using FB::ActiveX::ComPtr;
using FB::ActiveX::FBControl;

namespace {

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        control = ComPtr<IOleObject>::Adopt(static_cast<IOleObject*>(FBControl::Create()));
        safety = control.As<IObjectSafety>(IID_IObjectSafety);
        ASSERT_TRUE(safety);
    }
    void TearDown() override {
        safety.reset();
        control.reset();
        ComModule::CanUnloadNow();
        CoUninitialize();
    }

    ComPtr<IOleObject> control;
    ComPtr<IObjectSafety> safety;
};

TEST_F(ControlTest, SafetyOptions) {
    DWORD supported = 0, enabled = 7;
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER |
                                            INTERFACESAFE_FOR_UNTRUSTED_DATA));
    EXPECT_EQ(enabled, 0u);

    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                INTERFACESAFE_FOR_UNTRUSTED_CALLER),
              S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag,
                                                INTERFACESAFE_FOR_UNTRUSTED_DATA,
                                                INTERFACESAFE_FOR_UNTRUSTED_DATA),
              S_OK);
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER |
                                          INTERFACESAFE_FOR_UNTRUSTED_DATA));
    // Only the masked bits change.
    EXPECT_EQ(
        safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER, 0),
        S_OK);
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(enabled, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_DATA));

    // An option outside the supported set, an interface the control lacks, no out-pointer.
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACE_USES_DISPEX,
                                                INTERFACE_USES_DISPEX),
              E_FAIL);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IStream, &supported, &enabled), E_NOINTERFACE);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IStream, 0, 0), E_NOINTERFACE);
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);
}

TEST_F(ControlTest, WhatAContainerAsksFirst) {
    DWORD status = 0;
    ASSERT_EQ(control->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(status, 131473u);
    EXPECT_TRUE(status & OLEMISC_SETCLIENTSITEFIRST);

    const auto info = control.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
    ASSERT_TRUE(info);
    GUID source{};
    ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_EQ(source, DIID_IFBComEventSource);

    const auto points = control.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(points);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(points->FindConnectionPoint(IID_IPropertyNotifySink, point.put()), S_OK);
    EXPECT_EQ(points->FindConnectionPoint(DIID_IFBComEventSource, point.put()), S_OK);
    EXPECT_EQ(points->FindConnectionPoint(IID_IStream, point.put()), CONNECT_E_NOCONNECTION);

    for (REFIID iid : {IID_IDispatchEx, IID_IFBControl, IID_IOleControl, IID_IOleInPlaceObject,
                       IID_IViewObject2, IID_IPersistPropertyBag, IID_IPersistStreamInit}) {
        IUnknown* face = nullptr;
        EXPECT_EQ(control->QueryInterface(iid, reinterpret_cast<void**>(&face)), S_OK);
        if (face)
            face->Release();
    }
    HWND window = nullptr;
    EXPECT_EQ(control.As<IOleInPlaceObject>(IID_IOleInPlaceObject)->GetWindow(&window), E_FAIL);
}

TEST_F(ControlTest, TheModuleIsInitialisedByClassRequestsAndEndedWhenUnused) {
    ComModule::CanUnloadNow();
    ASSERT_FALSE(ComModule::IsInitialized());
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(ComModule::GetClassObject(CLSID_FBControl, IID_IClassFactory,
                                        reinterpret_cast<void**>(factory.put())),
              S_OK);
    EXPECT_TRUE(ComModule::IsInitialized());
    ASSERT_EQ(ComModule::GetClassObject(CLSID_FBControl, IID_IClassFactory,
                                        reinterpret_cast<void**>(factory.put())),
              S_OK);
    void* none = nullptr;
    EXPECT_EQ(ComModule::GetClassObject(IID_IStream, IID_IClassFactory, &none),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(ComModule::GetClassObject(CLSID_FBControl, IID_IClassFactory, nullptr), E_POINTER);

    // The fixture's control holds the module and a plug-in object lives: nothing ends.
    EXPECT_GT(FB::PluginCore::ActivePluginCount(), 0);
    EXPECT_EQ(ComModule::CanUnloadNow(), S_FALSE);
    EXPECT_TRUE(ComModule::IsInitialized());

    // The control goes; a lock without a plug-in object still ends the factory's state.
    safety.reset();
    control.reset();
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(ComModule::CanUnloadNow(), S_FALSE);
    EXPECT_FALSE(ComModule::IsInitialized());
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(ComModule::CanUnloadNow(), S_OK);

    // A later request initialises it again.
    ASSERT_EQ(ComModule::GetClassObject(CLSID_FBControl, IID_IClassFactory,
                                        reinterpret_cast<void**>(factory.put())),
              S_OK);
    EXPECT_TRUE(ComModule::IsInitialized());
}

} // namespace
