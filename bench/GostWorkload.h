#pragma once

#include <vector>

#include "GostCrypto.h"

// Our side of the GOST R 34.10-2001 benchmarks on the CryptoPro-A curve. The key pair, peer,
// UKM and hashes are fixed, so that every program and build (native, or 32-bit under Wine)
// works on the same inputs.
struct GostWorkload {
    static constexpr gost::Curve curve = gost::Curve::CryptoProA;

    gost::Scalar key;
    gost::Point publicKey;
    gost::Point peer;
    gost::Ukm ukm;
    std::vector<gost::Scalar> hashes;
    // Our signatures of the hashes, for verification, and nonces for signing without the
    // operating system's random source.
    std::vector<gost::Scalar> r, s, nonces;

    // False when our signer fails on the fixed inputs.
    bool prepare();

    // One operation on the (i mod hashes)-th input; false on failure.
    bool sign(int i) const;           // through kvcSignHash, as the page's repair reaches it
    bool signGivenNonce(int i) const; // the same arithmetic, the nonce drawn beforehand
    bool verify(int i) const;
    bool agree(int i) const;
};
