#include "Config.h"

#include <sstream>

namespace softtoken {

namespace {

// A comment starts with '#' at the beginning of a line or after a blank, so values may hold '#'.
std::string stripComment(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == '#' && (i == 0 || s[i - 1] == ' ' || s[i - 1] == '\t'))
            return s.substr(0, i);
    return s;
}

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool parseBool(const std::string& value, int line) {
    if (value == "yes" || value == "true" || value == "1")
        return true;
    if (value == "no" || value == "false" || value == "0")
        return false;
    throw ConfigError(line, "expected yes or no, got '" + value + "'");
}

unsigned long parseNumber(const std::string& value, int line) {
    try {
        std::size_t used = 0;
        const unsigned long long n = std::stoull(value, &used, 0);
        if (used == value.size() && n <= 0xFFFFFFFFull && value[0] != '-')
            return static_cast<unsigned long>(n);
    } catch (const std::logic_error&) {
    }
    throw ConfigError(line, "expected a number, got '" + value + "'");
}

void checkSlot(const SlotConfig& slot, int line) {
    if (!slot.present)
        return;
    if (slot.label.empty() || slot.label.size() > 32)
        throw ConfigError(line, "a present token needs a label of 1 to 32 bytes");
    if (!isValidSerial(slot.serial))
        throw ConfigError(line, "a present token needs a serial of 1 to 16 characters "
                                "[A-Za-z0-9_-]");
    for (const auto& pin : {slot.pin, slot.soPin, slot.keypadInput})
        if (pin && (pin->size() < 4 || pin->size() > 32))
            throw ConfigError(line, "a PIN has 4 to 32 bytes");
    if (slot.pinTries == 0)
        throw ConfigError(line, "pin-tries must be at least 1");
}

} // namespace

ConfigError::ConfigError(int line, const std::string& message)
    : std::runtime_error("kvsofttoken.conf line " + std::to_string(line) + ": " + message) {}

bool isValidSerial(const std::string& serial) {
    if (serial.empty() || serial.size() > 16)
        return false;
    for (char c : serial)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-'))
            return false;
    return true;
}

Config parseConfig(const std::string& text) {
    enum class Section { None, Slot, Fault, Adapter } section = Section::None;
    Config config;
    std::istringstream in(text);
    std::string raw;
    int line = 0, sectionLine = 0;
    auto finishSection = [&]() {
        if (section == Section::Slot)
            checkSlot(config.slots.back(), sectionLine);
        if (section == Section::Fault && config.faults.back().function.empty())
            throw ConfigError(sectionLine, "a fault needs a function");
        if (section == Section::Adapter && config.adapter->module.empty())
            throw ConfigError(sectionLine, "an adapter needs a module");
    };
    while (std::getline(in, raw)) {
        ++line;
        const std::string content = trim(stripComment(raw));
        if (content.empty())
            continue;
        if (content.front() == '[') {
            finishSection();
            sectionLine = line;
            if (content == "[slot]") {
                section = Section::Slot;
                config.slots.emplace_back();
                config.slots.back().description =
                    "Kestrova reader " + std::to_string(config.slots.size() - 1);
            } else if (content == "[fault]") {
                section = Section::Fault;
                config.faults.emplace_back();
            } else if (content == "[adapter]") {
                if (config.adapter)
                    throw ConfigError(line, "only one [adapter] section");
                section = Section::Adapter;
                config.adapter.emplace();
            } else {
                throw ConfigError(line, "unknown section " + content);
            }
            continue;
        }
        const auto eq = content.find('=');
        if (eq == std::string::npos)
            throw ConfigError(line, "expected key = value");
        const std::string key = trim(content.substr(0, eq));
        const std::string value = trim(content.substr(eq + 1));
        bool known = true;
        switch (section) {
        case Section::Slot: {
            SlotConfig& slot = config.slots.back();
            if (key == "description")
                slot.description = value;
            else if (key == "present")
                slot.present = parseBool(value, line);
            else if (key == "label")
                slot.label = value;
            else if (key == "serial")
                slot.serial = value;
            else if (key == "pin")
                slot.pin = value;
            else if (key == "so-pin")
                slot.soPin = value;
            else if (key == "pin-tries")
                slot.pinTries = parseNumber(value, line);
            else if (key == "protected-path")
                slot.protectedPath = parseBool(value, line);
            else if (key == "keypad-input")
                slot.keypadInput = value;
            else
                known = false;
            break;
        }
        case Section::Fault: {
            FaultRule& fault = config.faults.back();
            if (key == "function")
                fault.function = value;
            else if (key == "call")
                fault.call = parseNumber(value, line);
            else if (key == "rv")
                fault.rv = parseNumber(value, line);
            else
                known = false;
            break;
        }
        case Section::Adapter:
            if (key == "module") {
                config.adapter->module = value;
            } else if (key == "env") {
                const auto sep = value.find('=');
                if (sep == std::string::npos || sep == 0)
                    throw ConfigError(line, "expected env = NAME=VALUE");
                config.adapter->env.emplace_back(value.substr(0, sep), value.substr(sep + 1));
            } else {
                known = false;
            }
            break;
        case Section::None:
            throw ConfigError(line, "a setting before the first section");
        }
        if (!known)
            throw ConfigError(line, "unknown key '" + key + "'");
    }
    finishSection();
    return config;
}

namespace {

// "key = value"; a value that starts with '#' follows the '=' directly, where it cannot be read
// as a comment.
std::string setting(const std::string& key, const std::string& value) {
    return key + (value.rfind('#', 0) == 0 ? " =" : " = ") + value + "\n";
}

} // namespace

std::string formatConfig(const Config& config) {
    std::ostringstream out;
    for (const SlotConfig& slot : config.slots) {
        out << "[slot]\n";
        out << setting("description", slot.description);
        out << "present = " << (slot.present ? "yes" : "no") << "\n";
        if (!slot.label.empty())
            out << setting("label", slot.label);
        if (!slot.serial.empty())
            out << setting("serial", slot.serial);
        if (slot.pin)
            out << setting("pin", *slot.pin);
        if (slot.soPin)
            out << setting("so-pin", *slot.soPin);
        out << "pin-tries = " << slot.pinTries << "\n";
        out << "protected-path = " << (slot.protectedPath ? "yes" : "no") << "\n";
        if (slot.keypadInput)
            out << setting("keypad-input", *slot.keypadInput);
        out << "\n";
    }
    for (const FaultRule& fault : config.faults)
        out << "[fault]\n"
            << setting("function", fault.function) << "call = " << fault.call << "\nrv = 0x"
            << std::hex << fault.rv << std::dec << "\n\n";
    if (config.adapter) {
        out << "[adapter]\n" << setting("module", config.adapter->module);
        for (const auto& [name, value] : config.adapter->env)
            out << setting("env", name + "=" + value);
    }
    return out.str();
}

} // namespace softtoken
