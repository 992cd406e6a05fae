// Our signer alone: one round of each operation, printed as "operation rate" lines. gost_bench
// runs it beside its own figures; built for Windows, it times the 32-bit signer under Wine.
#include <cstdio>
#include <cstdlib>

#include "Figures.h"
#include "GostWorkload.h"

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    GostWorkload work;
    if (count <= 0 || !work.prepare()) {
        std::fprintf(stderr, "usage: gost_rate [operations]\n");
        return 2;
    }
    const double sign = callsPerSecond([&](int i) { return work.sign(i); }, count);
    const double verify = callsPerSecond([&](int i) { return work.verify(i); }, count);
    const double agree = callsPerSecond([&](int i) { return work.agree(i); }, count);
    std::printf("sign %.1f\nverify %.1f\nkey-agreement %.1f\n", sign, verify, agree);
    return sign > 0 && verify > 0 && agree > 0 ? 0 : 1;
}
