#include "Encodings.h"
#include "Exception.h"
#include "RequiredText.h"
#include "SecureWipe.h"
#include "kestrovaAPI.h"
#include "kvcSignHash.h"

#include <cstdint>

namespace {

// The private key's bytes, wiped when they go.
struct KeyBytes {
    Bytes bytes;
    ~KeyBytes() { secureWipe(bytes.data(), bytes.size()); }
};

const std::uint8_t* dataOrNull(const Bytes& bytes) {
    return bytes.empty() ? nullptr : bytes.data();
}

} // namespace

FB::variant kestrovaAPI::doRepair(const std::string& scrambledKey, const std::string& hash) {
    requireText(scrambledKey, "doRepair");
    requireText(hash, "doRepair");
    std::string keyText = unscrambleHex(scrambledKey);
    const KeyBytes key{hexToBytes(keyText)};
    secureWipe(keyText);
    Bytes value = hexToBytes(hash);
    reverseBytes(value);
    Bytes signature(64, 0);
    std::uint32_t length = 64;
    const unsigned status =
        kvcSignHash(signature.data(), &length, dataOrNull(key.bytes),
                    static_cast<std::uint32_t>(key.bytes.size()), dataOrNull(value),
                    static_cast<std::uint32_t>(value.size()));
    if (status != 0)
        throw Exception(-70 - static_cast<std::int32_t>(status), "kvcSignHash");
    // r then s, each turned most significant byte first.
    reverseHalves(signature);
    return bytesToHex(signature);
}
