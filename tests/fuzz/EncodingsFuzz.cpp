// The page's texts through the encodings: hexadecimal byte strings (plain and scrambled), the
// container name shown in the PIN dialog and the request line sent to the PIN-entry program.
#include "Encodings.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const Bytes bytes = hexToBytes(text);
    if (bytes.size() != size / 2)
        std::abort();
    // Whatever the page sends, the bytes come back as the same bytes.
    if (hexToBytes(bytesToHex(bytes)) != bytes)
        std::abort();
    if (hexToBytes(unscrambleHex(text)).size() != size / 2)
        std::abort();

    // A page's name cannot name a site: only the host adds the separator.
    const std::string shown = containerDisplayName(text);
    if (pinRequestText(shown, "").find('\x1f') != std::string::npos)
        std::abort();

    Bytes twice = bytes;
    reverseHalves(twice);
    reverseHalves(twice);
    if (twice != bytes)
        std::abort();
    if (bytes.size() % 2 == 0 && swapHalves(swapHalves(bytes)) != bytes)
        std::abort();
    return 0;
}
