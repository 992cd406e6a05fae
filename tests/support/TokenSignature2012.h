#pragma once

#include <Gost2012.h>

#include <vector>

// True when a token's GOST R 34.10-2012 signature (s then r, most significant byte first) of a
// hash (keySize bytes, least significant first, as Streebog writes it) verifies with the public
// key the token holds (X then Y, least significant byte first).
bool tokenSignature2012Verifies(gost::ParamSet2012 set, const std::vector<unsigned char>& publicKey,
                                const std::vector<unsigned char>& hash,
                                const std::vector<unsigned char>& signature);

// The DER object identifiers of a set (TC26's name) and of its keys' digest.
std::vector<unsigned char> oidBytesOf(gost::ParamSet2012 set);
std::vector<unsigned char> digestOidBytesOf(gost::ParamSet2012 set);

// Streebog of this digest size (32 or 64 bytes) of data.
std::vector<unsigned char> streebogOf(std::size_t size, const std::vector<unsigned char>& data);
