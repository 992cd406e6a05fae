#include "Library.h"

#include <dlfcn.h>

namespace softtoken {

std::unique_ptr<Library> Library::open(const std::string& path) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    return std::unique_ptr<Library>(new Library(handle));
}

Library::~Library() {
    ::dlclose(handle_);
}

void* Library::symbol(const char* name) const {
    return ::dlsym(handle_, name);
}

} // namespace softtoken
