#pragma once

#include <cstddef>
#include <cstring>
#include <string>

// Overwrites secret bytes (PINs, private keys, nonces) so that the compiler cannot drop the
// stores as dead: after the (vectorised) memset, an empty assembler statement that may read
// the buffer, and all memory, keeps them.
inline void secureWipe(void* data, std::size_t size) noexcept {
    if (size == 0)
        return;
    std::memset(data, 0, size);
    asm volatile("" : : "r"(data) : "memory");
}

inline void secureWipe(std::string& secret) noexcept {
    if (!secret.empty())
        secureWipe(&secret[0], secret.size());
    secret.clear();
}

// How far below a secret-handling call's frame its callees' frames reach: at most 6.1 KB on the
// software token (api_bench measures each such member: a session key's derivation goes
// deepest), so 16 KB leaves room for a maker's module that needs more.
constexpr std::size_t kSecretStackReach = 16 * 1024;

// Overwrites the stack below the caller's frame, where callees that have returned left their
// locals behind: copies of a secret the compiler made on the way and, the object being dead,
// never cleared (a moved-from short string keeps its characters, the clearing stores being
// dropped as dead). Called once a call that handled a secret is over.
[[gnu::noinline]] inline void secureWipeStack() noexcept {
    unsigned char area[kSecretStackReach];
    secureWipe(area, sizeof(area));
}

// Clears the processor's vector registers, through which the library's string and memory
// functions move a secret they copy. Left there, it is written onto some stack by whatever next
// saves the registers: the dynamic linker binding a function lazily, a signal. Every vector
// register may be changed by a call, except the low halves of xmm6-xmm15 on 64-bit Windows,
// which the compiler saves and restores around this for its caller as the clobbers require.
[[gnu::noinline]] inline void secureWipeVectorRegisters() noexcept {
#if defined(__x86_64__)
    // Registers 16-31 exist with AVX-512 only; code not built for it never holds them itself.
    if (__builtin_cpu_supports("avx512f"))
        asm volatile("vpxord %%zmm16, %%zmm16, %%zmm16\n\tvpxord %%zmm17, %%zmm17, %%zmm17\n\t"
                     "vpxord %%zmm18, %%zmm18, %%zmm18\n\tvpxord %%zmm19, %%zmm19, %%zmm19\n\t"
                     "vpxord %%zmm20, %%zmm20, %%zmm20\n\tvpxord %%zmm21, %%zmm21, %%zmm21\n\t"
                     "vpxord %%zmm22, %%zmm22, %%zmm22\n\tvpxord %%zmm23, %%zmm23, %%zmm23\n\t"
                     "vpxord %%zmm24, %%zmm24, %%zmm24\n\tvpxord %%zmm25, %%zmm25, %%zmm25\n\t"
                     "vpxord %%zmm26, %%zmm26, %%zmm26\n\tvpxord %%zmm27, %%zmm27, %%zmm27\n\t"
                     "vpxord %%zmm28, %%zmm28, %%zmm28\n\tvpxord %%zmm29, %%zmm29, %%zmm29\n\t"
                     "vpxord %%zmm30, %%zmm30, %%zmm30\n\tvpxord %%zmm31, %%zmm31, %%zmm31" ::
                         : "memory");
    // The whole of registers 0-15 (all 512 bits with AVX-512), or their 128 bits without AVX.
    if (__builtin_cpu_supports("avx"))
        asm volatile("vzeroall" ::
                         : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8",
                           "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15", "memory");
    else
        asm volatile("pxor %%xmm0, %%xmm0\n\tpxor %%xmm1, %%xmm1\n\tpxor %%xmm2, %%xmm2\n\t"
                     "pxor %%xmm3, %%xmm3\n\tpxor %%xmm4, %%xmm4\n\tpxor %%xmm5, %%xmm5\n\t"
                     "pxor %%xmm6, %%xmm6\n\tpxor %%xmm7, %%xmm7\n\tpxor %%xmm8, %%xmm8\n\t"
                     "pxor %%xmm9, %%xmm9\n\tpxor %%xmm10, %%xmm10\n\tpxor %%xmm11, %%xmm11\n\t"
                     "pxor %%xmm12, %%xmm12\n\tpxor %%xmm13, %%xmm13\n\t"
                     "pxor %%xmm14, %%xmm14\n\tpxor %%xmm15, %%xmm15" ::
                         : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8",
                           "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15", "memory");
#elif defined(__i386__)
    // 32-bit code sees registers 0-7, and every one may be changed by a call. Code built
    // without SSE cannot name them as clobbers, nor holds anything in them itself.
    if (__builtin_cpu_supports("avx"))
        asm volatile("vzeroall" ::: "memory");
    else if (__builtin_cpu_supports("sse2"))
        asm volatile("pxor %%xmm0, %%xmm0\n\tpxor %%xmm1, %%xmm1\n\tpxor %%xmm2, %%xmm2\n\t"
                     "pxor %%xmm3, %%xmm3\n\tpxor %%xmm4, %%xmm4\n\tpxor %%xmm5, %%xmm5\n\t"
                     "pxor %%xmm6, %%xmm6\n\tpxor %%xmm7, %%xmm7" ::
                         : "memory");
#endif
}

// Held by a call: when its frame ends, however it ends, the stack below it and the vector
// registers are wiped if the call handled a secret. Calls that handled none pay nothing.
class StackWipedOnReturn {
public:
    explicit StackWipedOnReturn(bool handledSecret) : m_handledSecret(handledSecret) {}
    StackWipedOnReturn(const StackWipedOnReturn&) = delete;
    StackWipedOnReturn& operator=(const StackWipedOnReturn&) = delete;
    ~StackWipedOnReturn() {
        if (!m_handledSecret)
            return;
        secureWipeStack();
        secureWipeVectorRegisters();
    }

private:
    const bool m_handledSecret;
};
