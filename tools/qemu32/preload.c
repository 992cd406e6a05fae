/* Preloaded into every 32-bit program that qemu-i386 7.2 (Debian 12's qemu-user-static) runs for
 * us, to mend what that version does differently from a 32-bit kernel and what Wine relies on:
 *
 * - mmap with MAP_FIXED_NOREPLACE: qemu takes the address as a hint and maps elsewhere when the
 *   range is taken; the kernel fails with EEXIST, and Wine's reservation of its address space is
 *   built on that failure (without it a start makes ~130k small mappings and takes over a minute).
 * - One descriptor table for all threads of a process: qemu keeps the GDT and LDT in guest memory
 *   shared by the threads, so the TLS entry that set_thread_area or clone(CLONE_SETTLS) writes for
 *   one thread is the entry every thread's selector names. A thread keeps its own base only until
 *   its %fs or %gs is loaded again, which qemu does on every sigreturn and Wine on every return
 *   from its system call dispatcher. So
 *   - Wine's request for a GDT slot of its own (set_thread_area with entry -1) is refused, as the
 *     kernel refuses it when the TLS slots are taken; Wine then gives each thread's TEB an LDT
 *     selector of its own (from entry 512 upwards, since %gs is an LDT selector by then);
 *   - each thread's %gs (glibc's TLS) moves to an LDT entry of its own, from the pool 1..511: the
 *     main thread's in a constructor, every other thread's first thing in each thread that
 *     pthread_create starts. Threads that glibc starts without pthread_create are not covered.
 *     glibc gives a new thread its TLS through the descriptor its creator's %gs names, which
 *     must be a GDT TLS slot: the creator is on its old slot, written afresh, for that call.
 *
 * Freestanding (no 32-bit libc headers are needed to build it): the few libc functions used are
 * declared here and bound at run time; system calls that must not go through libc are made with
 * int $0x80. A 64-bit program finds an empty twin of this library through $LIB. */

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#if !defined(__i386__)
#error "32-bit x86 only: 64-bit programs get the empty twin"
#endif

/* Linux i386 numbers. */
enum {
    kSysWrite = 4,
    kSysModifyLdt = 123,
    kSysRtSigprocmask = 175,
    kSysMunmap = 91,
    kSysSetThreadArea = 243,
    kSysSchedYield = 158,
    kEagain = 11,
    kEinval = 22,
    kEexist = 17,
    kEsrch = 3,
    kMapFixed = 0x10,
    kMapFixedNoreplace = 0x100000,
    kSigSetmask = 2,
    kLdtWrite = 0x11, /* modify_ldt: write an entry, new format */
    kPageSize = 4096,
};

#define MAP_FAILED ((void*)-1)
#define RTLD_NEXT ((void*)-1l)

/* The kernel's struct user_desc, as modify_ldt and set_thread_area take it. */
struct UserDesc {
    unsigned entry_number;
    unsigned base_addr;
    unsigned limit;
    unsigned seg_32bit : 1;
    unsigned contents : 2;
    unsigned read_exec_only : 1;
    unsigned limit_in_pages : 1;
    unsigned seg_not_present : 1;
    unsigned useable : 1;
};

/* From libc, bound when the program starts. */
extern void* dlsym(void* handle, const char* name);
extern int* __errno_location(void);
extern void* malloc(size_t size);
extern void free(void* block);

typedef void* (*MmapFn)(void*, size_t, int, int, int, long);
typedef void* (*Mmap64Fn)(void*, size_t, int, int, int, long long);
typedef long (*SyscallFn)(long, long, long, long, long, long, long);
typedef int (*PthreadCreateFn)(void*, const void*, void* (*)(void*), void*);
typedef int (*PthreadKeyCreateFn)(unsigned*, void (*)(void*));
typedef int (*PthreadSetspecificFn)(unsigned, const void*);

static MmapFn realMmap;
static Mmap64Fn realMmap64;
static SyscallFn realSyscall;
static PthreadCreateFn realPthreadCreate;
static PthreadSetspecificFn realPthreadSetspecific;
static unsigned slotKey;
static int slotKeyMade;

/* A system call by int $0x80, returning -errno on failure: for the calls that must not go
 * through libc (and thus not through these wrappers again). */
static long rawSyscall(long number, long a, long b, long c, long d) {
    long result;
    __asm__ volatile("int $0x80"
                     : "=a"(result)
                     : "0"(number), "b"(a), "c"(b), "d"(c), "S"(d)
                     : "memory");
    return result;
}

static long failWith(int error) {
    *__errno_location() = error;
    return -1;
}

static void say(const char* text) {
    size_t length = 0;
    while (text[length])
        ++length;
    rawSyscall(kSysWrite, 2, (long)text, (long)length, 0);
}

/* ---- MAP_FIXED_NOREPLACE ---------------------------------------------------------------- */

/* The answer of an mmap that asked for exactly `wanted`: a mapping anywhere else is undone and
 * reported as the kernel reports a taken range. */
static void* placedOrFailed(void* wanted, size_t length, int flags, void* got) {
    if (!(flags & kMapFixedNoreplace) || (flags & kMapFixed) || got == MAP_FAILED || got == wanted)
        return got;
    rawSyscall(kSysMunmap, (long)got, (long)length, 0, 0);
    failWith(kEexist);
    return MAP_FAILED;
}

static int misaligned(void* address, int flags) {
    return (flags & kMapFixedNoreplace) && ((uintptr_t)address & (kPageSize - 1));
}

void* mmap(void* address, size_t length, int prot, int flags, int fd, long offset) {
    if (misaligned(address, flags))
        return failWith(kEinval), MAP_FAILED;
    return placedOrFailed(address, length, flags,
                          realMmap(address, length, prot, flags, fd, offset));
}

void* mmap64(void* address, size_t length, int prot, int flags, int fd, long long offset) {
    if (misaligned(address, flags))
        return failWith(kEinval), MAP_FAILED;
    return placedOrFailed(address, length, flags,
                          realMmap64(address, length, prot, flags, fd, offset));
}

/* ---- A GDT slot for Wine's %fs ----------------------------------------------------------- */

long syscall(long number, ...) {
    va_list list;
    va_start(list, number);
    long a[6];
    for (int i = 0; i < 6; ++i)
        a[i] = va_arg(list, long);
    va_end(list);
    if (number == kSysSetThreadArea && ((struct UserDesc*)a[0])->entry_number == (unsigned)-1)
        return failWith(kEsrch);
    return realSyscall(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

/* ---- An LDT entry for each thread's %gs -------------------------------------------------- */

/* LDT entries 1..511 are ours: Wine leaves the first 512 alone once %gs is an LDT selector. */
enum { kFirstSlot = 1, kSlots = 512 };
static uint32_t slotsTaken[kSlots / 32] = {1u << 0}; /* entry 0 is never handed out */

static int takeSlot(void) {
    for (int slot = kFirstSlot; slot < kSlots; ++slot) {
        uint32_t bit = 1u << (slot % 32);
        if (!(__atomic_fetch_or(&slotsTaken[slot / 32], bit, __ATOMIC_ACQ_REL) & bit))
            return slot;
    }
    return -1;
}

static void releaseSlot(int slot) {
    __atomic_fetch_and(&slotsTaken[slot / 32], ~(1u << (slot % 32)), __ATOMIC_RELEASE);
}

static void blockAllSignals(uint64_t* previous) {
    uint64_t all = ~(uint64_t)0;
    rawSyscall(kSysRtSigprocmask, kSigSetmask, (long)&all, (long)previous, sizeof all);
}

static void restoreSignals(const uint64_t* mask) {
    rawSyscall(kSysRtSigprocmask, kSigSetmask, (long)mask, 0, sizeof *mask);
}

/* A flat 4 GiB data segment at `base`, as glibc's TLS descriptors are. */
static struct UserDesc tlsDescriptor(unsigned entry, uint32_t base) {
    struct UserDesc descriptor = {.entry_number = entry,
                                  .base_addr = base,
                                  .limit = 0xfffff,
                                  .seg_32bit = 1,
                                  .limit_in_pages = 1,
                                  .useable = 1};
    return descriptor;
}

static uint32_t gsBaseNow(void) {
    uint32_t base;
    __asm__ volatile("movl %%gs:0, %0" : "=r"(base));
    return base;
}

static void loadGs(uint16_t selector) {
    __asm__ volatile("movw %0, %%gs" : : "r"(selector));
}

static uint16_t currentGs(void) {
    uint16_t selector;
    __asm__ volatile("movw %%gs, %0" : "=r"(selector));
    return selector;
}

/* Points this thread's %gs at an LDT entry of its own with the base it has now (glibc's thread
 * block, whose first word points to itself). Returns the entry, or -1 where %gs stays shared. */
static int ownGs(void) {
    int slot = takeSlot();
    if (slot < 0) {
        say("qemu32 preload: no LDT entry left; this thread's %gs stays shared\n");
        return -1;
    }
    struct UserDesc entry = tlsDescriptor((unsigned)slot, gsBaseNow());
    if (rawSyscall(kSysModifyLdt, kLdtWrite, (long)&entry, sizeof entry, 0) != 0) {
        releaseSlot(slot);
        say("qemu32 preload: modify_ldt failed; this thread's %gs stays shared\n");
        return -1;
    }
    loadGs((uint16_t)(slot << 3 | 7)); /* LDT, ring 3 */
    return slot;
}

/* Runs as the thread's key destructor, last in its life: no signal handler may run after the
 * entry is handed on, or its sigreturn would load the next owner's base. */
static void releaseThreadSlot(void* value) {
    uint64_t ignored;
    blockAllSignals(&ignored);
    releaseSlot((int)(intptr_t)value);
}

struct ThreadStart {
    void* (*routine)(void*);
    void* argument;
    uint64_t signalMask; /* the creator's, restored once %gs is the thread's own */
};

static void* startThread(void* data) {
    struct ThreadStart start = *(struct ThreadStart*)data;
    free(data);
    int slot = ownGs();
    if (slot >= 0 && slotKeyMade)
        realPthreadSetspecific(slotKey, (void*)(intptr_t)slot);
    restoreSignals(&start.signalMask);
    return start.routine(start.argument);
}

static uint16_t gdtSelector; /* the GDT TLS slot the loader gave the main thread */
static int creating;         /* held across a thread's creation */

/* Creates the thread with the creator's %gs on the GDT TLS slot, holding its own base, since
 * glibc passes clone the slot that %gs names and qemu loads the new thread's %gs from it. One
 * creation at a time: the slot is shared, and clone writes the new thread's base into it. The
 * thread starts with every signal blocked (glibc gives it its creator's mask), so that no
 * handler returns into it before its %gs is its own. */
int pthread_create(void* thread, const void* attributes, void* (*routine)(void*), void* argument) {
    struct ThreadStart* start = malloc(sizeof *start);
    if (!start)
        return kEagain;
    start->routine = routine;
    start->argument = argument;
    uint64_t mask;
    blockAllSignals(&mask);
    start->signalMask = mask;
    while (__atomic_exchange_n(&creating, 1, __ATOMIC_ACQUIRE))
        rawSyscall(kSysSchedYield, 0, 0, 0, 0);
    uint16_t own = currentGs();
    if (own != gdtSelector) {
        struct UserDesc descriptor = tlsDescriptor(gdtSelector >> 3, gsBaseNow());
        rawSyscall(kSysSetThreadArea, (long)&descriptor, 0, 0, 0);
        loadGs(gdtSelector);
    }
    int result = realPthreadCreate(thread, attributes, startThread, start);
    loadGs(own);
    __atomic_store_n(&creating, 0, __ATOMIC_RELEASE);
    restoreSignals(&mask);
    if (result != 0)
        free(start);
    return result;
}

__attribute__((constructor)) static void preparePreload(void) {
    realMmap = (MmapFn)dlsym(RTLD_NEXT, "mmap");
    realMmap64 = (Mmap64Fn)dlsym(RTLD_NEXT, "mmap64");
    realSyscall = (SyscallFn)dlsym(RTLD_NEXT, "syscall");
    realPthreadCreate = (PthreadCreateFn)dlsym(RTLD_NEXT, "pthread_create");
    realPthreadSetspecific = (PthreadSetspecificFn)dlsym(RTLD_NEXT, "pthread_setspecific");
    PthreadKeyCreateFn keyCreate = (PthreadKeyCreateFn)dlsym(RTLD_NEXT, "pthread_key_create");
    slotKeyMade = keyCreate && keyCreate(&slotKey, releaseThreadSlot) == 0;
    gdtSelector = currentGs();
    ownGs();
}
