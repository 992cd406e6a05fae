#include "ComModule.h"

#include "ActiveXIds.h"
#include "FBComJavascriptObject.h"
#include "FBControl.h"
#include "FactoryBase.h"
#include "ModulePath.h"
#include "PluginCore.h"
#include "Registrar.h"
#include "Utf.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <string>

namespace FB::ActiveX {

namespace {

std::atomic<long> lockCount{0};
bool initialized = false;
bool perUserFlag = false;

// The class object of one class: what it makes, with the module's lock through LockServer.
class ClassFactory : public IClassFactory {
public:
    using Make = IUnknown* (*)();
    explicit ClassFactory(Make make) : m_make(make) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Class objects live as long as the module.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            IUnknown* object = m_make();
            const HRESULT hr = object->QueryInterface(iid, out);
            object->Release();
            return hr;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ComModule::Lock();
        else
            ComModule::Unlock();
        return S_OK;
    }

private:
    const Make m_make;
};

IUnknown* makeControl() {
    return static_cast<IOleObject*>(FBControl::Create());
}

IUnknown* makeJavascriptObject() {
    return static_cast<IDispatchEx*>(FBComJavascriptObject::CreateUnbound());
}

ClassFactory controlFactory(makeControl);
ClassFactory javascriptObjectFactory(makeJavascriptObject);

bool endsWithNoCase(const std::wstring& text, const std::wstring& end) {
    if (text.size() < end.size())
        return false;
    return std::equal(end.rbegin(), end.rend(), text.rbegin(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

// Registration by the installer's harvesting tool goes machine-wide; any other process
// registers for its user.
void choosePerUser() {
    wchar_t program[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
    if (!endsWithNoCase(program, L"heat.exe"))
        perUserFlag = true;
}

using TypeLibForUser = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnTypeLibForUser = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

template <class F> F oleautFunction(const char* name) {
    const HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
    return oleaut ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(oleaut, name)))
                  : nullptr;
}

HRESULT registerTypeLibrary(bool install) {
    std::wstring path = utf8ToWide(modulePath());
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (SUCCEEDED(hr)) {
        if (install) {
            const auto forUser = oleautFunction<TypeLibForUser>("RegisterTypeLibForUser");
            hr = perUserFlag && forUser ? forUser(library, path.data(), nullptr)
                                        : RegisterTypeLib(library, path.data(), nullptr);
        } else {
            const auto forUser = oleautFunction<UnTypeLibForUser>("UnRegisterTypeLibForUser");
            hr = (perUserFlag && forUser ? forUser : &UnRegisterTypeLib)(
                attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                attributes->lcid, attributes->syskind);
        }
        library->ReleaseTLibAttr(attributes);
    }
    library->Release();
    return hr;
}

// Runs f with the thread locale set to the system default, then restores it.
template <class F> HRESULT withSystemLocale(F f) {
    const LCID saved = GetThreadLocale();
    SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
    const HRESULT hr = f();
    SetThreadLocale(saved);
    return hr;
}

// The factory's own second attempt: the control's script alone.
HRESULT updateRegistry(bool install) {
    return runRegistryScript(ControlScript, install, perUserFlag);
}

} // namespace

void ComModule::Lock() {
    ++lockCount;
}

void ComModule::Unlock() {
    --lockCount;
}

long ComModule::LockCount() {
    return lockCount;
}

void ComModule::Initialize() {
    if (initialized)
        return;
    PluginCore::OS = "Windows";
    PluginCore::Browser = "IE";
    getFactoryInstance()->GlobalPluginInitialize();
    initialized = true;
}

bool ComModule::IsInitialized() {
    return initialized;
}

HRESULT ComModule::CanUnloadNow() {
    const long locks = lockCount;
    if (initialized && (locks == 0 || PluginCore::ActivePluginCount() == 0)) {
        initialized = false;
        try {
            getFactoryInstance()->GlobalPluginDeinitialize();
        } catch (const std::exception&) {
            // A refused C_Finalize leaves the module in place for a later attempt.
            initialized = true;
        }
    }
    return locks == 0 ? S_OK : S_FALSE;
}

void ComModule::SetPerUser(bool perUser) {
    perUserFlag = perUser;
}

bool ComModule::IsPerUser() {
    return perUserFlag;
}

HRESULT ComModule::RegisterServer() {
    choosePerUser();
    const HRESULT hr = withSystemLocale([] {
        HRESULT result = runRegistryScript(AppIdScript, true, perUserFlag);
        if (SUCCEEDED(result))
            result = runRegistryScript(ControlScript, true, perUserFlag);
        if (SUCCEEDED(result))
            result = registerTypeLibrary(true);
        return result;
    });
    return FAILED(hr) ? updateRegistry(true) : hr;
}

HRESULT ComModule::UnregisterServer() {
    choosePerUser();
    const HRESULT hr = withSystemLocale([] {
        HRESULT result = runRegistryScript(ControlScript, false, perUserFlag);
        if (SUCCEEDED(result))
            result = registerTypeLibrary(false);
        if (SUCCEEDED(result))
            result = runRegistryScript(AppIdScript, false, perUserFlag);
        return result;
    });
    return FAILED(hr) ? updateRegistry(false) : hr;
}

HRESULT ComModule::Install(bool install, const wchar_t* commandLine) {
    perUserFlag = commandLine && _wcsicmp(commandLine, L"user") == 0;
    if (!install)
        return UnregisterServer();
    const HRESULT hr = RegisterServer();
    if (FAILED(hr))
        UnregisterServer();
    return hr;
}

HRESULT ComModule::GetClassObject(REFCLSID cls, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    ClassFactory* factory = nullptr;
    if (cls == CLSID_FBControl)
        factory = &controlFactory;
    else if (cls == CLSID_FBComJavascriptObject)
        factory = &javascriptObjectFactory;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    const HRESULT hr = factory->QueryInterface(iid, out);
    if (SUCCEEDED(hr))
        Initialize();
    return hr;
}

} // namespace FB::ActiveX
