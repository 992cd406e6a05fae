// Our signer alone: the best rate of each operation over short rounds, printed as "operation
// rate" lines. gost_bench runs it beside its own figures; built for Windows, it times the 32-bit
// signer under Wine.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Figures.h"
#include "GostWorkload.h"

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 2;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 100;
    GostWorkload work;
    if (count <= 0 || rounds <= 0 || !work.prepare()) {
        std::fprintf(stderr, "usage: gost_rate [operations per round] [rounds]\n");
        return 2;
    }
    std::vector<double> sign, givenNonce, verify, agree;
    for (int round = 0; round < rounds; ++round) {
        sign.push_back(callsPerSecond([&](int i) { return work.sign(i); }, count));
        givenNonce.push_back(callsPerSecond([&](int i) { return work.signGivenNonce(i); }, count));
        verify.push_back(callsPerSecond([&](int i) { return work.verify(i); }, count));
        agree.push_back(callsPerSecond([&](int i) { return work.agree(i); }, count));
    }
    std::printf("sign %.1f\nsign-given-nonce %.1f\nverify %.1f\nkey-agreement %.1f\n", best(sign),
                best(givenNonce), best(verify), best(agree));
    return best(sign) > 0 && best(givenNonce) > 0 && best(verify) > 0 && best(agree) > 0 ? 0 : 1;
}
