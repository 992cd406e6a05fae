// heat.exe MODULE register|unregister|install [COMMAND-LINE]|uninstall [COMMAND-LINE]
// Calls the module's registration entry point from a program named like the installer's
// harvesting tool, whose registrations go machine-wide (a script engine under Wine only sees
// those). Exits with the entry point's HRESULT, 0 on success.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

template <class F> F entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: heat MODULE register|unregister|install|uninstall [LINE]\n");
        return 2;
    }
    HMODULE module = LoadLibraryW(argv[1]);
    if (!module) {
        std::fprintf(stderr, "heat: cannot load the module (%lu)\n", GetLastError());
        return 3;
    }
    const wchar_t* action = argv[2];
    const wchar_t* line = argc > 3 ? argv[3] : nullptr;
    HRESULT hr = E_INVALIDARG;
    if (std::wcscmp(action, L"register") == 0)
        hr = entry<HRESULT(STDAPICALLTYPE*)()>(module, "DllRegisterServer")();
    else if (std::wcscmp(action, L"unregister") == 0)
        hr = entry<HRESULT(STDAPICALLTYPE*)()>(module, "DllUnregisterServer")();
    else if (std::wcscmp(action, L"install") == 0 || std::wcscmp(action, L"uninstall") == 0)
        hr = entry<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>(module, "DllInstall")(
            std::wcscmp(action, L"install") == 0, line);
    if (FAILED(hr))
        std::fprintf(stderr, "heat: 0x%08lx\n", static_cast<unsigned long>(hr));
    FreeLibrary(module);
    return FAILED(hr) ? static_cast<int>(hr & 0xffff) | 0x100 : 0;
}
