#pragma once

#include <memory>
#include <string>

// One loaded dynamic library; deleting it unloads the library.
class SharedLibrary {
public:
    SharedLibrary() = default;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    virtual ~SharedLibrary() = default;

    // Address of an exported function; Exception -53 "symbol" when there is none.
    virtual void* symbol(const std::string& name) = 0;
};

// Loads the library at path with the platform's loader (WinSharedLibrary on Windows);
// Exception -50 named after the loading class when it cannot be loaded.
std::unique_ptr<SharedLibrary> loadSharedLibrary(const std::wstring& path);

// The file name of the token maker's PKCS#11 module on this platform.
const std::wstring& pkcs11ModuleFileName();

// path joined to file name the way this platform joins them; an empty directory leaves the bare
// name for the loader's own search.
std::wstring joinPath(const std::wstring& directory, const std::wstring& fileName);
