#pragma once

#include <cstdint>
#include <vector>

#include "Gost2012.h"

// Our side of the GOST R 34.10-2012 benchmarks on one parameter set: a fixed key pair, peer,
// UKM and hashes, as GostWorkload has for 2001.
struct Gost2012Workload {
    using Bytes = std::vector<std::uint8_t>;

    explicit Gost2012Workload(gost::ParamSet2012 set) : set(set) {}

    gost::ParamSet2012 set;
    Bytes key, publicKey, peer, ukm;
    std::vector<Bytes> hashes, r, s; // our signatures of the hashes, for verification

    // False when our signer fails on the fixed inputs.
    bool prepare();

    // One operation on the (i mod hashes)-th input; false on failure.
    bool sign(int i) const;
    bool verify(int i) const;
    bool agree(int i) const; // VKO with a Streebog-256 result
};
