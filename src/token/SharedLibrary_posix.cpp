#include "SharedLibrary.h"

#include "Exception.h"
#include "Utf.h"

#include <dlfcn.h>

namespace {

class PosixSharedLibrary : public SharedLibrary {
public:
    explicit PosixSharedLibrary(const std::wstring& path)
        : m_handle(dlopen(wideToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (!m_handle)
            throw Exception(-50, "PosixSharedLibrary");
    }
    ~PosixSharedLibrary() override { dlclose(m_handle); }

    void* symbol(const std::string& name) override {
        void* address = dlsym(m_handle, name.c_str());
        if (!address)
            throw Exception(-53, "symbol");
        return address;
    }

private:
    void* m_handle;
};

} // namespace

std::unique_ptr<SharedLibrary> loadSharedLibrary(const std::wstring& path) {
    return std::make_unique<PosixSharedLibrary>(path);
}

const std::wstring& pkcs11ModuleFileName() {
    static const std::wstring name = L"kvpkcs11.so";
    return name;
}

std::wstring joinPath(const std::wstring& directory, const std::wstring& fileName) {
    if (directory.empty() || directory.back() == L'/')
        return directory + fileName;
    return directory + L'/' + fileName;
}
