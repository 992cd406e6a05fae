// The host's allocation functions: every block is wiped when it is freed. PINs and keys reach
// the host as JSON text and pass through the frame, the parser's token buffer, the parsed
// value and the converted arguments: more copies, some inside the JSON library, than can each
// be named and wiped. Over-aligned allocations (the host makes none) keep the library's own.
#include "SecureWipe.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {

std::size_t blockSize(void* block) {
#ifdef _WIN32
    return _msize(block);
#else
    return malloc_usable_size(block);
#endif
}

void* allocate(std::size_t size) {
    for (;;) {
        if (void* block = std::malloc(size ? size : 1))
            return block;
        const std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void* allocateOrNull(std::size_t size) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void release(void* block) noexcept {
    if (!block)
        return;
    secureWipe(block, blockSize(block));
    std::free(block);
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size);
}
void operator delete(void* block) noexcept {
    release(block);
}
void operator delete[](void* block) noexcept {
    release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}
