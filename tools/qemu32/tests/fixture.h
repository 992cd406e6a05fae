/* Shared by the 32-bit test programs of the preload library. They are built without libc headers
 * (no 32-bit ones are installed here): the few libc functions they use are declared below and
 * libc itself is linked at run time, started by the entry point below as crt1 would. */
#ifndef KV_QEMU32_FIXTURE_H
#define KV_QEMU32_FIXTURE_H

#include <stddef.h>
#include <stdint.h>

extern int printf(const char* format, ...);
extern int* __errno_location(void);
extern int strcmp(const char* a, const char* b);

static int failures;

/* Records a failed expectation and goes on, so that one run reports every case. */
#define EXPECT(condition, ...)                                                                     \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            printf("FAILED %s:%d: ", __FILE__, __LINE__);                                          \
            printf(__VA_ARGS__);                                                                   \
            printf("\n");                                                                          \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

static inline int finish(const char* name) {
    printf("%s: %s\n", name, failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}

/* %gs: the selector glibc's TLS is reached through, and its base (the thread block points to
 * itself in its first word). */
static inline uint16_t gsSelector(void) {
    uint16_t selector;
    __asm__ volatile("movw %%gs, %0" : "=r"(selector));
    return selector;
}

static inline uint32_t gsBase(void) {
    uint32_t base;
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
    return base;
}

static inline int isLdtSelector(uint16_t selector) {
    return (selector & 4) != 0;
}

/* As crt1: argc, argv and the loader's exit hook to __libc_start_main. */
__asm__(".text\n"
        ".globl _start\n"
        "_start:\n"
        "  xorl %ebp, %ebp\n"
        "  popl %esi\n"
        "  movl %esp, %ecx\n"
        "  andl $-16, %esp\n"
        "  pushl %eax\n"
        "  pushl %esp\n"
        "  pushl %edx\n"
        "  pushl $0\n"
        "  pushl $0\n"
        "  pushl %ecx\n"
        "  pushl %esi\n"
        "  pushl $main\n"
        "  call __libc_start_main\n"
        "  hlt\n");

#endif
