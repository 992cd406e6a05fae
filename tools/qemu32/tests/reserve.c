/* Address space reserved with MAP_FIXED_NOREPLACE, as Wine reserves its own: the mapping lands
 * exactly where asked or the call fails with EEXIST (EINVAL for an unaligned address), leaving
 * nothing mapped elsewhere and the mapping in the way untouched. */
#include "fixture.h"

extern void* mmap(void* address, size_t length, int prot, int flags, int fd, long offset);
extern void* mmap64(void* address, size_t length, int prot, int flags, int fd, long long offset);
extern int munmap(void* address, size_t length);
extern int open(const char* path, int flags, ...);
extern long read(int fd, void* buffer, size_t size);
extern int close(int fd);

enum {
    kPage = 4096,
    kReadWrite = 3,
    kPrivateAnonymous = 0x22,
    kFixedNoreplace = 0x100000,
    kEexist = 17,
    kEinval = 22,
};
#define MAP_FAILED ((void*)-1)

/* Lines of /proc/self/maps: a misplaced mapping left behind adds one. */
static int mappingCount(void) {
    static char buffer[1 << 16];
    int fd = open("/proc/self/maps", 0);
    int lines = 0;
    long got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        for (long i = 0; i < got; ++i)
            lines += buffer[i] == '\n';
    close(fd);
    return lines;
}

static void* viaMmap(void* address, size_t length) {
    return mmap(address, length, kReadWrite, kPrivateAnonymous | kFixedNoreplace, -1, 0);
}

static void* viaMmap64(void* address, size_t length) {
    return mmap64(address, length, kReadWrite, kPrivateAnonymous | kFixedNoreplace, -1, 0);
}

int main(void) {
    /* Eight pages taken and, right after them, eight free ones. */
    char* taken = mmap(NULL, 16 * kPage, kReadWrite, kPrivateAnonymous, -1, 0);
    EXPECT(taken != MAP_FAILED, "cannot map the test area");
    munmap(taken + 8 * kPage, 8 * kPage);
    for (int i = 0; i < 8 * kPage; ++i)
        taken[i] = (char)(i * 7);

    const struct {
        const char* name;
        long offset; /* from the start of the taken pages */
        size_t pages;
        int error; /* 0: placed exactly there */
    } cases[] = {
        {"inside the taken pages", 2 * kPage, 2, kEexist},
        {"over the end of the taken pages", 6 * kPage, 4, kEexist},
        {"over the start of the taken pages", -2 * kPage, 4, kEexist},
        {"in the free pages", 10 * kPage, 2, 0},
        {"at an unaligned address", 10 * kPage + 1, 1, kEinval},
    };
    void* (*const calls[])(void*, size_t) = {viaMmap, viaMmap64};
    const char* const callNames[] = {"mmap", "mmap64"};

    for (size_t c = 0; c < sizeof calls / sizeof *calls; ++c)
        for (size_t i = 0; i < sizeof cases / sizeof *cases; ++i) {
            void* wanted = taken + cases[i].offset;
            size_t length = cases[i].pages * kPage;
            int before = mappingCount();
            *__errno_location() = 0;
            void* got = calls[c](wanted, length);
            int error = *__errno_location();
            if (cases[i].error == 0) {
                EXPECT(got == wanted, "%s %s: mapped at %p, not %p", callNames[c], cases[i].name,
                       got, wanted);
                if (got != MAP_FAILED)
                    munmap(got, length);
            } else {
                EXPECT(got == MAP_FAILED && error == cases[i].error,
                       "%s %s: got %p errno %d, not errno %d", callNames[c], cases[i].name, got,
                       error, cases[i].error);
                EXPECT(mappingCount() == before, "%s %s: a mapping was left elsewhere",
                       callNames[c], cases[i].name);
            }
        }

    int intact = 1;
    for (int i = 0; i < 8 * kPage; ++i)
        intact &= taken[i] == (char)(i * 7);
    EXPECT(intact, "the taken pages were replaced");
    return finish("reserve");
}
