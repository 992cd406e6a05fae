/* A 32-bit program that starts a 32-bit child, as Wine starts wineserver's clients, wineboot,
 * services and every test's child: the kernel hands the child to qemu through the namespace's
 * binfmt_misc entry, and the child is given the preload library too. The child then reads its
 * parent's memory through /proc at the address the parent names, as the wineserver reads its
 * clients' (ReadProcessMemory): guest addresses must be host addresses. */
#include "fixture.h"

extern int fork(void);
extern int execv(const char* path, char* const argv[]);
extern int waitpid(int pid, int* status, int options);
extern void _exit(int code);
extern int getpid(void);
extern int getppid(void);
extern int open(const char* path, int flags, ...);
extern long pread64(int fd, void* buffer, size_t size, long long offset);
extern int sprintf(char* text, const char* format, ...);
extern unsigned long strtoul(const char* text, char** end, int base);

enum { kChildCode = 42 };

static volatile int parentsPid; /* written at run time, so only the parent's copy holds it */

/* The parent's pid, read from the parent's memory at `address`. */
static int parentsPidAt(const char* address) {
    char path[32];
    sprintf(path, "/proc/%d/mem", getppid());
    int value = 0;
    int fd = open(path, 0);
    if (fd < 0 || pread64(fd, &value, sizeof value, strtoul(address, NULL, 16)) != sizeof value)
        return -1;
    return value;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "child") == 0) {
        /* The preload moved this process's %gs to an LDT entry. */
        if (!isLdtSelector(gsSelector()))
            return 1;
        return parentsPidAt(argv[2]) == getppid() ? kChildCode : 2;
    }

    parentsPid = getpid();
    char address[16];
    sprintf(address, "%lx", (unsigned long)(uintptr_t)&parentsPid);

    int pid = fork();
    if (pid == 0) {
        char* const childArgs[] = {argv[0], "child", address, NULL};
        execv(argv[0], childArgs);
        _exit(127);
    }
    EXPECT(pid > 0, "fork failed");
    int status = 0;
    EXPECT(waitpid(pid, &status, 0) == pid, "waitpid failed");
    /* Exited normally with the child's own code: it ran, as a 32-bit program, preloaded. */
    EXPECT((status & 0x7f) == 0 && (status >> 8 & 0xff) == kChildCode,
           "child status %#x (127: not started; 1: started without the preload; 2: the "
           "parent's memory is not at the address it names)",
           status);
    return finish("spawn");
}
