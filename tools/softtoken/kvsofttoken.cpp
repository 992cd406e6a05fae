// kvsofttoken: sets up and inspects the software token's state directory.

#include "Config.h"
#include "Files.h"
#include "Store.h"

#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace softtoken;

namespace {

const char usage[] =
    "usage: kvsofttoken [--dir D] init --serial S --label L [--pin P] [--so-pin P] [--slot N]\n"
    "                                  [--protected-path] [--pin-tries N]\n"
    "       kvsofttoken [--dir D] list\n"
    "       kvsofttoken [--dir D] remove --slot N\n"
    "       kvsofttoken [--dir D] insert --slot N\n"
    "       kvsofttoken [--dir D] check\n";

struct UsageError {};

struct Arguments {
    std::string command;
    std::map<std::string, std::string> options; // "--protected-path" maps to ""
};

Arguments parseArguments(int argc, char** argv) {
    static const std::vector<std::string> flags = {"--protected-path"};
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.rfind("--", 0) != 0) {
            if (!args.command.empty())
                throw UsageError();
            args.command = word;
        } else if (word == "--protected-path") {
            args.options[word] = "";
        } else {
            if (i + 1 >= argc)
                throw UsageError();
            args.options[word] = argv[++i];
        }
    }
    if (args.command.empty())
        throw UsageError();
    return args;
}

unsigned long number(const Arguments& args, const std::string& name, unsigned long fallback) {
    const auto it = args.options.find(name);
    if (it == args.options.end())
        return fallback;
    try {
        std::size_t used = 0;
        const unsigned long n = std::stoul(it->second, &used);
        if (used == it->second.size())
            return n;
    } catch (const std::logic_error&) {
    }
    throw UsageError();
}

Config loadConfig(const Store& store) {
    return parseConfig(store.readConfig().value_or(std::string()));
}

void saveConfig(const Store& store, const Config& config) {
    // Checked before it is written: the module ignores a file it cannot read.
    const std::string text = formatConfig(config);
    parseConfig(text);
    store.writeConfig(text);
}

int init(const Store& store, const Arguments& args) {
    const auto option = [&](const std::string& name) -> std::optional<std::string> {
        const auto it = args.options.find(name);
        if (it == args.options.end())
            return std::nullopt;
        return it->second;
    };
    if (!option("--serial") || !option("--label"))
        throw UsageError();
    Config config = loadConfig(store);
    const unsigned long index = number(args, "--slot", 0);
    while (config.slots.size() <= index) {
        config.slots.emplace_back();
        config.slots.back().present = false;
        config.slots.back().description =
            "Kestrova reader " + std::to_string(config.slots.size() - 1);
    }
    SlotConfig& slot = config.slots[index];
    slot.present = true;
    slot.serial = *option("--serial");
    slot.label = *option("--label");
    slot.pin = option("--pin");
    slot.soPin = option("--so-pin");
    slot.protectedPath = args.options.count("--protected-path") > 0;
    slot.pinTries = number(args, "--pin-tries", 3);
    slot.keypadInput.reset();
    saveConfig(store, config);
    if (store.reset(slot.serial) != CKR_OK)
        throw std::runtime_error("cannot write " + store.tokenPath(slot.serial).u8string());
    std::cout << "slot " << index << ": token '" << slot.label << "' serial " << slot.serial
              << " initialised\n";
    return 0;
}

int setPresence(const Store& store, const Arguments& args, bool present) {
    if (!args.options.count("--slot"))
        throw UsageError();
    Config config = loadConfig(store);
    const unsigned long index = number(args, "--slot", 0);
    if (index >= config.slots.size())
        throw std::runtime_error("no slot " + std::to_string(index));
    config.slots[index].present = present;
    saveConfig(store, config);
    return 0;
}

std::string hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

std::string className(CK_ULONG objectClass) {
    switch (objectClass) {
    case CKO_DATA:
        return "data";
    case CKO_CERTIFICATE:
        return "certificate";
    case CKO_PUBLIC_KEY:
        return "public-key";
    case CKO_PRIVATE_KEY:
        return "private-key";
    case CKO_SECRET_KEY:
        return "secret-key";
    default:
        return "class-" + std::to_string(objectClass);
    }
}

int list(const Store& store) {
    const Config config = loadConfig(store);
    for (std::size_t i = 0; i < config.slots.size(); ++i) {
        const SlotConfig& slot = config.slots[i];
        std::cout << "slot " << i << " (" << slot.description << "): ";
        if (!slot.present) {
            std::cout << "no token\n";
            continue;
        }
        std::cout << "token '" << slot.label << "' serial " << slot.serial
                  << (slot.protectedPath ? ", protected authentication path" : "") << "\n";
        TokenFile file;
        if (store.read(slot.serial, file) != CKR_OK)
            throw std::runtime_error("damaged token file " +
                                     store.tokenPath(slot.serial).u8string());
        std::cout << "  wrong PINs: " << file.pinFailures << " of " << slot.pinTries << "\n";
        for (const Object& object : file.objects) {
            const Bytes* label = object.find(CKA_LABEL);
            const Bytes* id = object.find(CKA_ID);
            std::cout << "  object " << object.handle << ": " << className(object.number(CKA_CLASS))
                      << (object.isPrivate() ? " private" : "") << " label '"
                      << (label ? std::string(label->begin(), label->end()) : std::string())
                      << "' id " << (id ? hex(*id) : std::string()) << "\n";
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Arguments args = parseArguments(argc, argv);
        const auto dir = args.options.find("--dir");
        const Store store(dir != args.options.end() ? std::filesystem::u8path(dir->second)
                                                    : stateDirectory());
        if (args.command == "init")
            return init(store, args);
        if (args.command == "list")
            return list(store);
        if (args.command == "remove")
            return setPresence(store, args, false);
        if (args.command == "insert")
            return setPresence(store, args, true);
        if (args.command == "check") {
            loadConfig(store);
            std::cout << store.configPath().u8string() << ": ok\n";
            return 0;
        }
        throw UsageError();
    } catch (const UsageError&) {
        std::cerr << usage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kvsofttoken: " << e.what() << "\n";
        return 1;
    }
}
