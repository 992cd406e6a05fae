// A token file as the software token reads it from its state directory, where any local
// program (or a crash half-way through a write) may have left anything.
#include "Store.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = softtoken::parseTokenFile(std::string(data, data + size));
    if (!file)
        return 0;
    // What was accepted is written back and read again as the same token.
    const std::string written = softtoken::formatTokenFile(*file);
    const auto again = softtoken::parseTokenFile(written);
    if (!again || softtoken::formatTokenFile(*again) != written)
        std::abort();
    return 0;
}
