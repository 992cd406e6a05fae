#pragma once

#include <string>

// The one table of object identifiers this layer and its callers name: GOST R 34.10-2001 and
// 2012 algorithms and parameter sets (CryptoPro, RFC 4357; TC26, RFC 7836), the signature
// algorithms of RFC 4491 and RFC 9215, X.500 name attributes with the Russian ones of the
// Order on qualified certificates, X.509 extensions and key purposes, the classes of signing
// tools, and PKCS#9 and CMS attributes.
namespace der {

namespace oid {
// Key algorithms, digests and signatures.
constexpr const char* kGost2001 = "1.2.643.2.2.19";
constexpr const char* kGost3411_94 = "1.2.643.2.2.9";
constexpr const char* kGost3411_94WithGost2001 = "1.2.643.2.2.3";
constexpr const char* kGost3411_94CryptoProParamSet = "1.2.643.2.2.30.1";
constexpr const char* kGost2012_256 = "1.2.643.7.1.1.1.1";
constexpr const char* kGost2012_512 = "1.2.643.7.1.1.1.2";
constexpr const char* kStreebog256 = "1.2.643.7.1.1.2.2";
constexpr const char* kStreebog512 = "1.2.643.7.1.1.2.3";
constexpr const char* kSignWithStreebog256 = "1.2.643.7.1.1.3.2";
constexpr const char* kSignWithStreebog512 = "1.2.643.7.1.1.3.3";
// Extensions and attributes.
constexpr const char* kKeyUsage = "2.5.29.15";
constexpr const char* kBasicConstraints = "2.5.29.19";
constexpr const char* kCertificatePolicies = "2.5.29.32";
constexpr const char* kExtendedKeyUsage = "2.5.29.37";
constexpr const char* kSubjectSignTool = "1.2.643.100.111";
constexpr const char* kExtensionRequest = "1.2.840.113549.1.9.14";
} // namespace oid

// The name of a known identifier ("INN", "keyUsage", "id-tc26-gost3410-12-256"), or empty.
std::string oidName(const std::string& dotted);
// The identifier of a name (either of its names, letters in any case), or empty.
std::string oidByName(const std::string& name);

} // namespace der
