// kvsofttoken: sets up and inspects the software token's state directory.

#include "Config.h"
#include "Files.h"
#include "ObjectRules.h"
#include "Store.h"

#include <Pkcs11Gost.h>
#include <algorithm>
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
    "       kvsofttoken [--dir D] keygen --serial S --id NAME --label L\n"
    "                                    --key gost2001|gost2012-256|gost2012-512 [--set X]\n"
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

// The parameter sets by letter: the CryptoPro sets for 2001 keys, TC26's for 2012 keys.
struct KeyChoice {
    const char* key;
    char letter;
    gost::ParamSet2012 set;
};

const KeyChoice keyChoices[] = {
    {"gost2001", 'A', gost::ParamSet2012::B256},
    {"gost2001", 'B', gost::ParamSet2012::C256},
    {"gost2001", 'C', gost::ParamSet2012::D256},
    {"gost2012-256", 'A', gost::ParamSet2012::A256},
    {"gost2012-256", 'B', gost::ParamSet2012::B256},
    {"gost2012-256", 'C', gost::ParamSet2012::C256},
    {"gost2012-256", 'D', gost::ParamSet2012::D256},
    {"gost2012-512", 'A', gost::ParamSet2012::A512},
    {"gost2012-512", 'B', gost::ParamSet2012::B512},
    {"gost2012-512", 'C', gost::ParamSet2012::C512},
};

// A key pair written straight into the token's file, as a token object pair that signs and
// derives: the public key public, the private key private and sensitive.
int keygen(const Store& store, const Arguments& args) {
    const auto option = [&](const std::string& name) {
        const auto it = args.options.find(name);
        if (it == args.options.end())
            throw UsageError();
        return it->second;
    };
    const std::string serial = option("--serial"), id = option("--id"), label = option("--label"),
                      key = option("--key");
    const std::string letter = args.options.count("--set") ? option("--set") : "A";
    const KeyChoice* choice = nullptr;
    for (const KeyChoice& c : keyChoices)
        if (key == c.key && letter.size() == 1 && letter[0] == c.letter)
            choice = &c;
    if (!choice)
        throw UsageError();
    const bool is2001 = key == "gost2001";
    std::size_t length;
    const std::uint8_t* oid =
        is2001 ? gost::cryptoProOidOf(choice->set, length) : gost::oidOf(choice->set, length);

    std::vector<Object> keys(2);
    for (Object& object : keys) {
        object.setFlag(CKA_TOKEN, true);
        object.setBytes(CKA_LABEL, Bytes(label.begin(), label.end()));
        object.setBytes(CKA_ID, Bytes(id.begin(), id.end()));
        object.setBytes(CKA_GOSTR3410_PARAMS, Bytes(oid, oid + length));
        object.setFlag(CKA_DERIVE, true);
    }
    keys[0].setFlag(CKA_PRIVATE, false);
    const CK_MECHANISM_TYPE mechanism =
        key == "gost2012-512" ? CKM_GOSTR3410_512_KEY_PAIR_GEN : CKM_GOSTR3410_KEY_PAIR_GEN;
    if (generateKeyPairObjects(keys[0], keys[1], mechanism) != CKR_OK)
        throw std::runtime_error("cannot generate the key pair");
    const Config config = loadConfig(store);
    if (std::none_of(config.slots.begin(), config.slots.end(),
                     [&](const SlotConfig& slot) { return slot.serial == serial; }))
        throw std::runtime_error("no token with serial " + serial);
    const CK_RV rv = store.update(serial, [&](TokenFile& file) {
        addTokenObjects(file, keys);
        return CKR_OK;
    });
    if (rv != CKR_OK)
        throw std::runtime_error("cannot write " + store.tokenPath(serial).u8string());
    std::cout << "token " << serial << ": " << key << " key pair, set " << letter << ", id '" << id
              << "': objects " << keys[0].handle << " and " << keys[1].handle << "\n";
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

// " gost2001", " gost2012-256" or " gost2012-512" for a GOST key, nothing for other objects.
std::string keyKind(const Object& object) {
    const auto key = keyParametersOf(object);
    if (!key)
        return "";
    switch (key->algorithm) {
    case KeyAlgorithm::Gost2001:
        return " gost2001";
    case KeyAlgorithm::Gost2012_256:
        return " gost2012-256";
    default:
        return " gost2012-512";
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
                      << keyKind(object) << (object.isPrivate() ? " private" : "") << " label '"
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
        if (args.command == "keygen")
            return keygen(store, args);
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
