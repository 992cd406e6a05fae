// The software token's configuration file, as an administrator or a test may write it.
#include "Config.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    softtoken::Config config;
    try {
        config = softtoken::parseConfig(std::string(data, data + size));
    } catch (const softtoken::ConfigError&) {
        return 0;
    }
    for (const auto& slot : config.slots)
        softtoken::isValidSerial(slot.serial);
    // What was accepted is written back and read again as the same configuration.
    const std::string written = softtoken::formatConfig(config);
    try {
        if (softtoken::formatConfig(softtoken::parseConfig(written)) != written)
            std::abort();
    } catch (const softtoken::ConfigError&) {
        std::abort();
    }
    return 0;
}
