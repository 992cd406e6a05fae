#include "PageValues.h"

#include <algorithm>

namespace {

gost::Scalar numberOfPage(const std::string& text) {
    Bytes bytes = hexToBytes(text);
    gost::Scalar number{};
    if (bytes.size() != 32)
        return number;
    std::reverse_copy(bytes.begin(), bytes.end(), number.begin());
    return number;
}

} // namespace

std::string pageNumber(const gost::Scalar& number) {
    return bytesToHex(Bytes(number.rbegin(), number.rend()));
}

std::string pagePublicKey(const gost::Point& key) {
    return pageNumber(key.x) + pageNumber(key.y);
}

gost::Point publicKeyOfPage(const std::string& text) {
    return {numberOfPage(text.substr(0, 64)), numberOfPage(text.substr(64))};
}

std::string scrambledKey(const gost::Scalar& privateKey) {
    static const std::string alphabet = "PLOKIJUHYGTFRDES";
    std::string text = bytesToHex(Bytes(privateKey.begin(), privateKey.end()));
    for (char& c : text)
        c = alphabet[static_cast<std::size_t>(c <= '9' ? c - '0' : c - 'A' + 10)];
    return text;
}

bool pageSignatureVerifies(const std::string& publicKey, const gost::Scalar& hash,
                           const std::string& signature) {
    if (publicKey.size() != 128 || signature.size() != 128)
        return false;
    return gost::verify(gost::Curve::CryptoProA, publicKeyOfPage(publicKey), hash,
                        numberOfPage(signature.substr(0, 64)), numberOfPage(signature.substr(64)));
}
