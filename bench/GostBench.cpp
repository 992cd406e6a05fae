// Signatures, verifications and key agreements per second: ours against libgcrypt's GOST
// R 34.10-2001 on the CryptoPro-A curve, same key and hashes, in one run. Optionally also our
// 32-bit build (gost_rate.exe under Wine), so that the figures sit side by side. Then the same
// for GOST R 34.10-2012 on the TC26 sets, and Streebog's throughput.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Figures.h"
#include "GcryptGost.h"
#include "Gost2012Workload.h"
#ifdef KV_BENCH_GOST_ENGINE
#include "OpenSslGost.h"
#endif
#include "GostWorkload.h"
#include "Streebog.h"

using namespace gost;

namespace {

struct Operation {
    const char* name; // as gost_rate prints it
    std::function<bool(int)> ours;
    std::function<bool(int)> theirs; // empty where libgcrypt has no counterpart
    std::vector<double> oursRates{}, theirsRates{}, otherBuildRates{};
    // OpenSSL's GOST engine, where it is built in and has the operation.
    std::function<bool(int)> engine{};
    std::vector<double> engineRates{};
    // What one call is worth in the printed unit (MB for the hash rows).
    double unitsPerCall = 1;
};

// Times the other build is run in one benchmark: its starts (a second or more under Wine) are
// spread over the run, each with a share of the rounds.
constexpr int kOtherBuildRuns = 3;

// Rounds of the other build: its "operation rate" lines, matched by name.
bool runOtherBuild(const std::string& command, int count, int rounds,
                   std::vector<Operation>& operations) {
    const std::string line = command + " " + std::to_string(count) + " " + std::to_string(rounds);
    FILE* child = popen(line.c_str(), "r");
    if (!child)
        return false;
    char name[32];
    double rate;
    std::size_t found = 0;
    while (std::fscanf(child, "%31s %lf", name, &rate) == 2)
        for (Operation& operation : operations)
            if (std::strcmp(name, operation.name) == 0) {
                operation.otherBuildRates.push_back(rate);
                ++found;
            }
    return pclose(child) == 0 && found == operations.size();
}

// Runs the operations in interleaved rounds and prints the best rate of each side; 1 when an
// operation failed.
int runTable(std::vector<Operation>& operations, int count, int rounds,
             const std::string& otherBuild) {
    // Rounds alternate between the sides so that a busy machine hurts them alike.
    for (int round = 0; round < rounds; ++round) {
        for (Operation& operation : operations) {
            operation.oursRates.push_back(callsPerSecond(operation.ours, count));
            if (operation.theirs)
                operation.theirsRates.push_back(callsPerSecond(operation.theirs, count));
            if (operation.engine)
                operation.engineRates.push_back(callsPerSecond(operation.engine, count));
        }
        const int otherRounds = std::max(rounds / kOtherBuildRuns, 1);
        if (!otherBuild.empty() && round % otherRounds == 0 &&
            round / otherRounds < kOtherBuildRuns &&
            !runOtherBuild(otherBuild, count, otherRounds, operations)) {
            std::fprintf(stderr, "gost_bench: \"%s\" failed\n", otherBuild.c_str());
            return 1;
        }
    }

    const bool engine =
        std::any_of(operations.begin(), operations.end(),
                    [](const Operation& operation) { return bool(operation.engine); });
    std::printf("%-16s %10s %12s %15s", "", "ours/s", "libgcrypt/s", "ours/libgcrypt");
    if (engine)
        std::printf(" %12s %12s", "engine/s", "ours/engine");
    if (!otherBuild.empty())
        std::printf(" %14s %12s", "other build/s", "other/ours");
    std::printf("\n");
    int status = 0;
    for (const Operation& operation : operations) {
        const double ours = best(operation.oursRates) * operation.unitsPerCall;
        if (ours == 0 || (operation.theirs && best(operation.theirsRates) == 0))
            status = 1; // an operation failed
        if (operation.theirs) {
            const double theirs = best(operation.theirsRates) * operation.unitsPerCall;
            std::printf("%-16s %10.1f %12.1f %15.2f", operation.name, ours, theirs, ours / theirs);
        } else {
            std::printf("%-16s %10.1f %12s %15s", operation.name, ours, "-", "-");
        }
        if (operation.engine) {
            const double theirs = best(operation.engineRates) * operation.unitsPerCall;
            if (theirs == 0)
                status = 1;
            std::printf(" %12.1f %12.2f", theirs, ours / theirs);
        } else if (engine) {
            std::printf(" %12s %12s", "-", "-");
        }
        if (!otherBuild.empty()) {
            const double other = best(operation.otherBuildRates) * operation.unitsPerCall;
            std::printf(" %14.1f %12.2f", other, ours > 0 ? other / ours : 0.0);
        }
        std::printf("\n");
    }
    return status;
}

// libgcrypt's side of one 2012 set: the workload's keys and hashes as its S-expressions.
struct Gcrypt2012Side {
    gcrypt::Sexp privateKey, publicKey;
    std::vector<gcrypt::Sexp> data;

    bool prepare(const Gost2012Workload& work) {
        const char* curve = gcrypt::curveName(work.set);
        data = std::vector<gcrypt::Sexp>(work.hashes.size());
        for (std::size_t i = 0; i < work.hashes.size(); ++i)
            if (!gcrypt::makeData(work.hashes[i], data[i]))
                return false;
        return gcrypt::makePrivateKey(curve, work.key, work.publicKey, privateKey) &&
               gcrypt::makePublicKey(curve, work.publicKey, publicKey);
    }
};

#ifdef KV_BENCH_GOST_ENGINE
// OpenSSL's GOST engine's side of one 2012 set: the workload's keys read from their DER forms.
struct EngineSide {
    openssl::Key privateKey, publicKey;

    bool prepare(const Gost2012Workload& work) {
        return openssl::engine() && openssl::privateKey(work.set, work.key, privateKey) &&
               openssl::publicKey(work.set, work.publicKey, publicKey);
    }
};
#endif

// GOST R 34.10-2012 signatures and verifications on 256-bit paramSetA and B and 512-bit
// paramSetA, VKO on 256-bit paramSetA, and Streebog-256 on 1 MB and on 64 bytes.
int run2012(int count, int rounds) {
    const ParamSet2012 sets[] = {ParamSet2012::A256, ParamSet2012::B256, ParamSet2012::A512};
    const char* names[] = {"256-A", "256-B", "512-A"};
    std::vector<Gost2012Workload> works;
    std::vector<Gcrypt2012Side> theirs(3);
    for (int i = 0; i < 3; ++i) {
        works.emplace_back(sets[i]);
        if (!works[i].prepare() || !theirs[i].prepare(works[i]))
            return 1;
    }
    std::vector<std::string> rowNames;
    for (const char* name : names)
        for (const char* operation : {"sign-", "verify-"})
            rowNames.push_back(std::string(operation) + name);
    std::vector<Operation> operations;
    gcrypt::Bytes r, s;
    for (int i = 0; i < 3; ++i) {
        const Gost2012Workload& work = works[i];
        Gcrypt2012Side& side = theirs[i];
        const std::size_t n = work.hashes.size();
        r.resize(work.key.size());
        s.resize(work.key.size());
        operations.push_back({rowNames[2 * i].c_str(), [&work](int k) { return work.sign(k); },
                              [&side, &r, &s, n](int k) {
                                  return gcrypt::sign(side.privateKey, side.data[k % n], r, s);
                              }});
        operations.push_back({rowNames[2 * i + 1].c_str(),
                              [&work](int k) { return work.verify(k); },
                              [&side, &work, n](int k) {
                                  return gcrypt::verify(side.publicKey, side.data[k % n],
                                                        work.r[k % n], work.s[k % n]);
                              }});
    }
    const Gost2012Workload& agreeing = works[0];
    gcrypt::Bytes kek;
    operations.push_back({"vko-256-A", [&](int k) { return agreeing.agree(k); },
                          [&](int) {
                              return gcrypt::vko(agreeing.set, agreeing.key, agreeing.peer,
                                                 agreeing.ukm, GCRY_MD_STRIBOG256, kek);
                          }});
#ifdef KV_BENCH_GOST_ENGINE
    // The engine's peer key for its key agreement, and its rows.
    std::vector<EngineSide> engines(3);
    openssl::Key enginePeer;
    for (int i = 0; i < 3; ++i)
        if (!engines[i].prepare(works[i]))
            return 1;
    if (!openssl::publicKey(agreeing.set, agreeing.peer, enginePeer))
        return 1;
    openssl::Bytes engineR, engineS, engineKek;
    for (int i = 0; i < 3; ++i) {
        const Gost2012Workload& work = works[i];
        EngineSide& side = engines[i];
        operations[2 * i].engine = [&work, &side, &engineR, &engineS](int k) {
            return openssl::sign(side.privateKey.value, work.hashes[k % work.hashes.size()],
                                 engineR, engineS);
        };
        operations[2 * i + 1].engine = [&work, &side](int k) {
            const std::size_t j = k % work.hashes.size();
            return openssl::verify(side.publicKey.value, work.hashes[j], work.r[j], work.s[j]);
        };
    }
    operations[6].engine = [&](int) {
        return openssl::derive(engines[0].privateKey.value, enginePeer.value, agreeing.ukm,
                               engineKek);
    };
#endif
    const std::vector<std::uint8_t> megabyte(1 << 20, 0x5A), block(64, 0xA5);
    Digest256 digest;
    for (const std::vector<std::uint8_t>* message : {&megabyte, &block}) {
        Operation hashing{message == &megabyte ? "streebog256-1MB" : "streebog256-64B",
                          [&digest, message](int) {
                              digest = streebog256(message->data(), message->size());
                              return true;
                          },
                          [&digest, message](int) {
                              gcry_md_hash_buffer(GCRY_MD_STRIBOG256, digest.data(),
                                                  message->data(), message->size());
                              return true;
                          }};
        hashing.unitsPerCall = double(message->size()) / (1 << 20);
#ifdef KV_BENCH_GOST_ENGINE
        hashing.engine = [&digest, message](int) {
            return openssl::streebog256(message->data(), message->size(), digest.data());
        };
#endif
        operations.push_back(hashing);
    }
    std::printf("\nGOST R 34.10-2012 (operations/s) and Streebog-256 (MB/s), %d operations per "
                "round, best of %d rounds, the sides interleaved\n",
                count, rounds);
    return runTable(operations, count, rounds, "");
}

int usage() {
    std::fprintf(stderr, "usage: gost_bench [operations per round] [--rounds N] "
                         "[--other-build \"command that runs gost_rate\"]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Many short rounds: on a busy machine some of them still run undisturbed, for both sides.
    int count = 2;
    int rounds = 300;
    std::string otherBuild;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--other-build") == 0 && i + 1 < argc)
            otherBuild = argv[++i];
        else if (argv[i][0] != '-')
            count = std::atoi(argv[i]);
        else
            return usage();
    }
    if (count <= 0 || rounds <= 0)
        return usage();

    GostWorkload work;
    if (!gcrypt::initialize() || !work.prepare())
        return 1;
    const std::size_t n = work.hashes.size();
    std::vector<gcrypt::Sexp> data(n);
    for (std::size_t i = 0; i < n; ++i)
        if (!gcrypt::makeData(work.hashes[i], data[i]))
            return 1;
    gcrypt::Sexp privateKey, publicKey;
    if (!gcrypt::makePrivateKey(work.curve, work.key, work.publicKey, privateKey) ||
        !gcrypt::makePublicKey(work.curve, work.publicKey, publicKey))
        return 1;

    Scalar r, s;
    Key256 kek;
    std::vector<Operation> operations;
    operations.push_back({"sign", [&](int i) { return work.sign(i); },
                          [&](int i) { return gcrypt::sign(privateKey, data[i % n], r, s); }});
    // kvcSignHash draws each nonce from the operating system, which costs more on some
    // systems than the arithmetic; this row shows the arithmetic alone.
    operations.push_back({"sign-given-nonce", [&](int i) { return work.signGivenNonce(i); }, {}});
    operations.push_back({"verify", [&](int i) { return work.verify(i); },
                          [&](int i) {
                              return gcrypt::verify(publicKey, data[i % n], work.r[i % n],
                                                    work.s[i % n]);
                          }});
    operations.push_back(
        {"key-agreement", [&](int i) { return work.agree(i); },
         [&](int) { return gcrypt::vko(work.curve, work.key, work.peer, work.ukm, kek); }});

    std::printf("GOST R 34.10-2001, CryptoPro-A, %d operations per round, best of %d rounds, "
                "the sides interleaved\n",
                count, rounds);
    int status = runTable(operations, count, rounds, otherBuild);
    status |= run2012(count, rounds);
    return status;
}
