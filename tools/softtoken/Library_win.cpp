#include "Library.h"

#include <filesystem>
#include <windows.h>

namespace softtoken {

std::unique_ptr<Library> Library::open(const std::string& path) {
    HMODULE handle = LoadLibraryW(std::filesystem::u8path(path).wstring().c_str());
    if (!handle)
        return nullptr;
    return std::unique_ptr<Library>(new Library(handle));
}

Library::~Library() {
    FreeLibrary(static_cast<HMODULE>(handle_));
}

void* Library::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

} // namespace softtoken
