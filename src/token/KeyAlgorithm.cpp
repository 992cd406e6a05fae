#include "KeyAlgorithm.h"

#include "Pkcs11Gost.h"

#include <algorithm>

namespace {

bool names(const std::vector<unsigned char>& der, const std::uint8_t* oid, std::size_t length) {
    return der.size() == length && std::equal(oid, oid + length, der.begin());
}

} // namespace

std::optional<KeyAlgorithm> keyAlgorithmOf(CK_KEY_TYPE keyType,
                                           const std::vector<unsigned char>& params,
                                           const std::vector<unsigned char>* digestParams,
                                           gost::ParamSet2012& set) {
    if (!gost::paramSet2012ByOid(params.data(), params.size(), set))
        return std::nullopt;
    std::size_t length;
    const std::uint8_t* digest = gost::digestOidOf(set, length);
    const bool streebog = digestParams && names(*digestParams, digest, length);
    KeyAlgorithm algorithm;
    if (keyType == CKK_GOSTR3410_512 && gost::keySize(set) == 64) {
        algorithm = KeyAlgorithm::Gost2012_512;
    } else if (keyType == CKK_GOSTR3410 && gost::keySize(set) == 32) {
        // The example set's own name is the CryptoPro one; every other set's is TC26's.
        const std::uint8_t* own = gost::oidOf(set, length);
        const bool tc26 = set != gost::ParamSet2012::Test256 && names(params, own, length);
        algorithm = tc26 || streebog ? KeyAlgorithm::Gost2012_256 : KeyAlgorithm::Gost2001;
    } else {
        return std::nullopt;
    }
    if (algorithm != KeyAlgorithm::Gost2001 && digestParams && !streebog)
        return std::nullopt;
    return algorithm;
}

const KeyMechanisms& mechanismsOf(KeyAlgorithm algorithm) {
    static const KeyMechanisms gost2001{CKK_GOSTR3410,        CKM_GOSTR3410_KEY_PAIR_GEN,
                                        CKM_GOSTR3410,        CKM_GOSTR3410_WITH_GOSTR3411,
                                        CKM_GOSTR3410_DERIVE, 32};
    static const KeyMechanisms gost2012_256{
        CKK_GOSTR3410,           CKM_GOSTR3410_KEY_PAIR_GEN,
        CKM_GOSTR3410,           CKM_GOSTR3410_WITH_GOSTR3411_12_256,
        CKM_GOSTR3410_12_DERIVE, 32};
    static const KeyMechanisms gost2012_512{
        CKK_GOSTR3410_512,       CKM_GOSTR3410_512_KEY_PAIR_GEN,
        CKM_GOSTR3410_512,       CKM_GOSTR3410_WITH_GOSTR3411_12_512,
        CKM_GOSTR3410_12_DERIVE, 64};
    switch (algorithm) {
    case KeyAlgorithm::Gost2001:
        return gost2001;
    case KeyAlgorithm::Gost2012_256:
        return gost2012_256;
    default:
        return gost2012_512;
    }
}

std::vector<unsigned char> digestParamsOf(KeyAlgorithm algorithm, gost::ParamSet2012 set) {
    if (algorithm == KeyAlgorithm::Gost2001)
        return {};
    std::size_t length;
    const std::uint8_t* oid = gost::digestOidOf(set, length);
    return std::vector<unsigned char>(oid, oid + length);
}
