// Built into the driver in sanitizer trees only. The engine opens plug-ins with RTLD_DEEPBIND,
// which the sanitizer runtimes refuse: a deep-bound library would reach the C library's malloc
// and friends past their interceptors. The driver answers dlopen itself and opens without it,
// so the plug-in shares the checked allocator with the rest of the process. Nothing of ours
// defines a symbol the engine also defines, which is all deep binding protects against.
#include <dlfcn.h>

extern "C" void* dlopen(const char* file, int mode) noexcept {
    using Open = void* (*)(const char*, int);
    static const auto next = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "dlopen"));
    return next(file, mode & ~RTLD_DEEPBIND);
}
