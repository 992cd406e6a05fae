// The COM entry points of npkestrova.dll (undecorated through npkestrova.def).
#include "ComModule.h"

using FB::ActiveX::ComModule;

STDAPI DllRegisterServer() {
    return ComModule::RegisterServer();
}

STDAPI DllUnregisterServer() {
    return ComModule::UnregisterServer();
}

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    return ComModule::Install(install != FALSE, commandLine);
}

STDAPI DllGetClassObject(REFCLSID cls, REFIID iid, LPVOID* out) {
    return ComModule::GetClassObject(cls, iid, out);
}

STDAPI DllCanUnloadNow() {
    return ComModule::CanUnloadNow();
}
