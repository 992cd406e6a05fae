#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// The configuration file kvsofttoken.conf: slots and their tokens, faults and adapter mode.
namespace softtoken {

struct SlotConfig {
    std::string description;
    bool present = true;
    std::string label;
    std::string serial;
    std::optional<std::string> pin;
    std::optional<std::string> soPin;
    unsigned long pinTries = 3;
    bool protectedPath = false;
    std::optional<std::string> keypadInput; // what the keypad enters; the PIN when absent
};

struct FaultRule {
    std::string function;
    unsigned long call = 0; // 1-based; 0 = every call
    unsigned long rv = 0;

    bool operator==(const FaultRule& o) const {
        return function == o.function && call == o.call && rv == o.rv;
    }
};

struct AdapterConfig {
    std::string module;                                   // UTF-8 path
    std::vector<std::pair<std::string, std::string>> env; // set around loading it
};

struct Config {
    std::vector<SlotConfig> slots;
    std::vector<FaultRule> faults;
    std::optional<AdapterConfig> adapter;
};

class ConfigError : public std::runtime_error {
public:
    ConfigError(int line, const std::string& message);
};

// Throws ConfigError naming the first bad line.
Config parseConfig(const std::string& text);

std::string formatConfig(const Config& config);

// True for 1..16 characters of [A-Za-z0-9_-]: the serial names the token's file.
bool isValidSerial(const std::string& serial);

} // namespace softtoken
