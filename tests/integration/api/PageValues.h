#pragma once

#include "Encodings.h"
#include "GostCrypto.h"

#include <string>

// Values as a page writes and reads them: numbers as hexadecimal text, most significant byte
// first. The checks here do the page's side of the arithmetic independently of the plug-in.

// A 32-byte number (least significant byte first) as page text.
std::string pageNumber(const gost::Scalar& number);
// A public key as page text: X then Y.
std::string pagePublicKey(const gost::Point& key);
gost::Point publicKeyOfPage(const std::string& text);
// A private key as kvwRepair takes it: least significant byte first, in the substitution
// alphabet.
std::string scrambledKey(const gost::Scalar& privateKey);

// True when the page signature (r then s) of the hash (least significant byte first) verifies
// with the page public key, on the CryptoPro-A curve.
bool pageSignatureVerifies(const std::string& publicKey, const gost::Scalar& hash,
                           const std::string& signature);
