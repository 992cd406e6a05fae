/* Threads that keep reading their own TLS while %gs is loaded again and again: by hand, as Wine
 * does on every return from its system call dispatcher, and by qemu on every sigreturn. With one
 * shared TLS descriptor, every thread would read the thread block of the one started last. Also:
 * more threads than there are LDT entries for them, one after another (entries are handed on),
 * and Wine's request for a GDT TLS slot refused as the kernel refuses it when none is free. */
#include "fixture.h"

extern int pthread_create(unsigned long* thread, const void* attributes, void* (*)(void*),
                          void* argument);
extern int pthread_join(unsigned long thread, void** result);
extern void (*signal(int number, void (*handler)(int)))(int);
extern int raise(int number);
extern int sched_yield(void);
extern long syscall(long number, ...);

enum {
    kSigusr1 = 10,
    kSysSetThreadArea = 243,
    kEsrch = 3,
    kBusyThreads = 6,
    kRounds = 2000,
    kShortThreads = 1200, /* more than the 511 LDT entries for %gs */
};

static __thread intptr_t mine;

static void reloadGs(void) {
    __asm__ volatile("movw %%gs, %%ax\n\tmovw %%ax, %%gs" ::: "eax");
}

static void onSignal(int number) {
    (void)number;
}

/* Rounds of: %gs loaded again one way or another, then this thread's TLS checked. Returns the
 * rounds in which it was not its own. */
static void* keepChecking(void* argument) {
    intptr_t id = (intptr_t)argument;
    mine = id;
    uint32_t self = gsBase();
    intptr_t wrong = 0;
    for (int round = 0; round < kRounds; ++round) {
        switch (round % 3) {
        case 0:
            reloadGs();
            break;
        case 1:
            raise(kSigusr1);
            break;
        default:
            sched_yield();
        }
        wrong += mine != id || gsBase() != self;
    }
    return (void*)wrong;
}

static void* checkOnce(void* argument) {
    mine = (intptr_t)argument;
    reloadGs();
    return (void*)(intptr_t)(mine != (intptr_t)argument || !isLdtSelector(gsSelector()));
}

int main(void) {
    signal(kSigusr1, onSignal);

    unsigned long busy[kBusyThreads];
    for (intptr_t i = 0; i < kBusyThreads; ++i)
        EXPECT(pthread_create(&busy[i], NULL, keepChecking, (void*)(i + 1)) == 0,
               "cannot start thread %d", (int)i);
    intptr_t mainWrong = (intptr_t)keepChecking((void*)0);
    EXPECT(mainWrong == 0, "main thread: foreign TLS in %d rounds", (int)mainWrong);
    for (int i = 0; i < kBusyThreads; ++i) {
        void* wrong = NULL;
        pthread_join(busy[i], &wrong);
        EXPECT(wrong == NULL, "thread %d: foreign TLS in %d rounds", i + 1, (int)(intptr_t)wrong);
    }

    int shortWrong = 0;
    for (intptr_t i = 0; i < kShortThreads; ++i) {
        unsigned long thread;
        void* wrong = (void*)1;
        if (pthread_create(&thread, NULL, checkOnce, (void*)(i + 100)) == 0)
            pthread_join(thread, &wrong);
        shortWrong += wrong != NULL;
    }
    EXPECT(shortWrong == 0, "%d of %d short threads had no TLS of their own", shortWrong,
           kShortThreads);

    /* struct user_desc asking for any free GDT TLS slot. */
    uint32_t request[4] = {(uint32_t)-1, 0, 0xfffff, 0x51};
    *__errno_location() = 0;
    long result = syscall(kSysSetThreadArea, request);
    EXPECT(result == -1 && *__errno_location() == kEsrch,
           "set_thread_area(-1) gave %ld errno %d, not a refusal", result, *__errno_location());
    return finish("threads");
}
