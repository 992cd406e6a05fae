#include "SharedLibrary.h"

#include "Exception.h"

#include <windows.h>

namespace {

class WinSharedLibrary : public SharedLibrary {
public:
    explicit WinSharedLibrary(const std::wstring& path) : m_module(LoadLibraryW(path.c_str())) {
        if (!m_module)
            throw Exception(-50, "WinSharedLibrary");
    }
    ~WinSharedLibrary() override { FreeLibrary(m_module); }

    void* symbol(const std::string& name) override {
        FARPROC address = GetProcAddress(m_module, name.c_str());
        if (!address)
            throw Exception(-53, "symbol");
        return reinterpret_cast<void*>(address);
    }

private:
    HMODULE m_module;
};

} // namespace

std::unique_ptr<SharedLibrary> loadSharedLibrary(const std::wstring& path) {
    return std::make_unique<WinSharedLibrary>(path);
}

const std::wstring& pkcs11ModuleFileName() {
    static const std::wstring name = L"kvpkcs11.dll";
    return name;
}

std::wstring joinPath(const std::wstring& directory, const std::wstring& fileName) {
    if (directory.empty())
        return fileName;
    const wchar_t last = directory.back();
    if (last == L'\\' || last == L'/' || last == L':')
        return directory + fileName;
    return directory + L'\\' + fileName;
}
