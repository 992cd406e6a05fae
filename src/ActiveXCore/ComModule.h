#pragma once

#include <windows.h>

#include <string>

namespace FB::ActiveX {

// The process-wide state of the COM server: the module's lock count (live COM objects and
// LockServer), whether the plug-in factory is initialised, and whether registration goes to
// the current user.
class ComModule {
public:
    static void Lock();
    static void Unlock();
    static long LockCount();

    // After a successful class-object request: the first initialises the factory.
    static void Initialize();
    static bool IsInitialized();
    // DllCanUnloadNow: S_OK without locks. When initialised and either nothing is locked or no
    // plug-in object lives, the factory is de-initialised first (the PKCS#11 module finalised).
    static HRESULT CanUnloadNow();

    static void SetPerUser(bool perUser);
    static bool IsPerUser();

    static HRESULT RegisterServer();
    static HRESULT UnregisterServer();
    // DllInstall: "user" (any case) as the whole command line registers per user.
    static HRESULT Install(bool install, const wchar_t* commandLine);

    // The class object of a class the server offers; CLASS_E_CLASSNOTAVAILABLE otherwise.
    static HRESULT GetClassObject(REFCLSID cls, REFIID iid, void** out);
};

// Holds the module's lock count up for as long as it lives; every COM object has one.
class ModuleLock {
public:
    ModuleLock() { ComModule::Lock(); }
    ~ModuleLock() { ComModule::Unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

} // namespace FB::ActiveX
