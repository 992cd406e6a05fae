/* A 32-bit program that starts a 32-bit child, as Wine starts wineserver's clients, wineboot,
 * services and every test's child: the kernel hands the child to qemu through the namespace's
 * binfmt_misc entry, and the child is given the preload library too. */
#include "fixture.h"

extern int fork(void);
extern int execv(const char* path, char* const argv[]);
extern int waitpid(int pid, int* status, int options);
extern void _exit(int code);

enum { kChildCode = 42 };

int main(int argc, char** argv) {
    if (argc == 2 && strcmp(argv[1], "child") == 0)
        /* The preload moved this process's %gs to an LDT entry. */
        return isLdtSelector(gsSelector()) ? kChildCode : 1;

    int pid = fork();
    if (pid == 0) {
        char* const childArgs[] = {argv[0], "child", NULL};
        execv(argv[0], childArgs);
        _exit(127);
    }
    EXPECT(pid > 0, "fork failed");
    int status = 0;
    EXPECT(waitpid(pid, &status, 0) == pid, "waitpid failed");
    /* Exited normally with the child's own code: it ran, as a 32-bit program, preloaded. */
    EXPECT((status & 0x7f) == 0 && (status >> 8 & 0xff) == kChildCode,
           "child status %#x (127: not started; 1: started without the preload)", status);
    return finish("spawn");
}
