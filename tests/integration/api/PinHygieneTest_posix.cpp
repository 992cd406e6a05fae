// After logins with a distinctive PIN, as the page's argument and typed into the PIN-entry
// program, no copy of the PIN is left anywhere this process can read: heap, stacks (live and
// dead frames), the module's data, nor in the token's files or what the dialog was sent.
//
// The software token keeps its own configured PIN in memory, as a real token keeps it in its
// chip; so the PIN searched for is one the token refuses, which takes the plug-in through the
// whole exchange up to C_Login's answer. Right logins run first, so the success paths have run
// too.
#include "ApiFixture.h"
#include "SecureWipe.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The searched bytes are kept masked, so the search itself holds no copy of the PIN.
constexpr unsigned char mask = 0xA5;

struct Needle {
    std::string name;
    std::vector<unsigned char> masked;
};

// The PIN in both encodings, and for a long one also its last 16 characters: the allocator
// writes its own list pointers over the first 16 bytes of a freed block, which would otherwise
// hide a freed but unwiped copy.
std::vector<Needle> needles(const std::string& pin) {
    std::vector<Needle> found;
    const auto add = [&](const std::string& name, const std::string& text) {
        Needle ascii{name + " UTF-8", {}}, wide{name + " UTF-16", {}};
        for (const char c : text) {
            ascii.masked.push_back(static_cast<unsigned char>(c) ^ mask);
            wide.masked.push_back(static_cast<unsigned char>(c) ^ mask);
            wide.masked.push_back(0 ^ mask);
        }
        found.push_back(ascii);
        found.push_back(wide);
    };
    add("PIN", pin);
    if (pin.size() > 16)
        add("its tail", pin.substr(pin.size() - 16));
    return found;
}

std::vector<std::string> find(const unsigned char* data, std::size_t size,
                              const std::vector<Needle>& what, const std::string& where,
                              std::uintptr_t base) {
    std::vector<std::string> hits;
    for (const Needle& n : what) {
        const std::size_t length = n.masked.size();
        for (std::size_t i = 0; i + length <= size; ++i) {
            std::size_t j = 0;
            while (j < length && (data[i + j] ^ mask) == n.masked[j])
                ++j;
            if (j == length) {
                std::ostringstream s;
                s << n.name << " at 0x" << std::hex << base + i << " in " << where;
                hits.push_back(s.str());
            }
        }
    }
    return hits;
}

// Every readable mapping of this process, read through /proc/self/mem.
std::vector<std::string> scanMemory(const std::vector<Needle>& what) {
    constexpr std::size_t chunk = 1 << 20;
    constexpr std::size_t overlap = 256;
    // The reading buffer lies outside the heap and is skipped: it holds what was read.
    void* mapped = mmap(nullptr, chunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    EXPECT_NE(mapped, MAP_FAILED);
    auto* buffer = static_cast<unsigned char*>(mapped);
    const auto own = reinterpret_cast<std::uintptr_t>(buffer);
    const int mem = open("/proc/self/mem", O_RDONLY);
    EXPECT_GE(mem, 0);

    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> ranges;
    std::vector<std::string> names;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        std::istringstream fields(line);
        std::string range, perms, offset, device, inode, name;
        fields >> range >> perms >> offset >> device >> inode;
        std::getline(fields >> std::ws, name);
        if (perms[0] != 'r' || name == "[vvar]" || name == "[vsyscall]")
            continue;
        const std::size_t dash = range.find('-');
        const auto start = std::stoull(range.substr(0, dash), nullptr, 16);
        const auto end = std::stoull(range.substr(dash + 1), nullptr, 16);
        if (start == own)
            continue;
        ranges.emplace_back(start, end);
        names.push_back(name.empty() ? "anonymous memory" : name);
    }

    std::vector<std::string> hits;
    for (std::size_t r = 0; r < ranges.size(); ++r) {
        for (std::uintptr_t at = ranges[r].first; at < ranges[r].second;) {
            const std::size_t want = std::min<std::uintptr_t>(chunk, ranges[r].second - at);
            const ssize_t got = pread(mem, buffer, want, static_cast<off_t>(at));
            if (got <= 0)
                break;
            for (std::string& hit : find(buffer, std::size_t(got), what, names[r], at))
                hits.push_back(std::move(hit));
            // A match across two chunks is found in the next one.
            at += std::size_t(got) > overlap && std::size_t(got) == want &&
                          at + got < ranges[r].second
                      ? std::size_t(got) - overlap
                      : std::size_t(got);
        }
    }
    close(mem);
    secureWipe(buffer, chunk);
    munmap(buffer, chunk);
    return hits;
}

std::vector<std::string> scanFiles(const fs::path& folder, const std::vector<Needle>& what) {
    std::vector<std::string> hits;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == "Gui.bin")
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(file)), {});
        for (std::string& hit : find(reinterpret_cast<const unsigned char*>(content.data()),
                                     content.size(), what, entry.path().string(), 0))
            hits.push_back(std::move(hit));
    }
    return hits;
}

// A PIN no test or library text could hold by chance, made at run time so the program's own
// image does not hold it.
std::string distinctivePin(std::size_t length) {
    std::random_device device;
    std::string pin;
    pin.reserve(length);
    while (pin.size() < length)
        pin += static_cast<char>('a' + device() % 26);
    return pin;
}

// A call's arguments, the PIN (when given, still masked) unmasked right into its variant: the
// test keeps no plain copy of its own that a later search would find.
FB::VariantList arguments(const std::vector<std::string>& texts,
                          const std::vector<unsigned char>& maskedPin) {
    FB::VariantList args;
    args.reserve(texts.size() + 1);
    for (const std::string& text : texts)
        args.emplace_back(text);
    if (!maskedPin.empty()) {
        args.emplace_back(std::string(maskedPin.size(), '\0'));
        auto& pin = const_cast<std::string&>(*args.back().get_if<std::string>());
        for (std::size_t i = 0; i < maskedPin.size(); ++i)
            pin[i] = static_cast<char>(maskedPin[i] ^ mask);
    }
    return args;
}

// The variant's text is wiped in place: the test's own copy is not the plug-in's to find.
void wipeArguments(FB::VariantList& args) {
    for (FB::variant& v : args)
        if (const std::string* text = v.get_if<std::string>())
            secureWipe(const_cast<std::string&>(*text));
}

class PinHygieneFixture : public ApiFixture {
protected:
    void SetUp() override {
        configure(pinSlot() + "pin-tries = 100\n");
        // The real PIN-entry program, speaking to a fake pinentry that answers from a file.
        fs::copy_file(KV_GUI_PROGRAM, gui.gui(), fs::copy_options::overwrite_existing);
        setEnvironment("KESTROVA_PINENTRY", KV_FAKE_PINENTRY);
        setEnvironment("FAKE_PINENTRY_RECORD", (gui.path() / "pinentry.record").string());
        setEnvironment("FAKE_PINENTRY_ANSWER", "pinfile:" + answerFile().string());
        createPlugin();
    }

    fs::path answerFile() const { return gui.path() / "pinentry.answer"; }

    // What the user types next in the dialog, written without a stream buffer holding a copy.
    void typeNext(const std::string& pin) const {
        const int fd = ::open(answerFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, pin.data(), pin.size()), ssize_t(pin.size()));
        ::close(fd);
    }
};

// A PIN short enough to live inside its string objects (on stacks), and one of the longest,
// which lives on the heap.
class PinHygieneTest : public PinHygieneFixture,
                       public ::testing::WithParamInterface<std::size_t> {};

TEST_P(PinHygieneTest, NoCopyOfTheRefusedPinRemains) {
    const std::string hash(64, 'A');
    typeNext("1234");
    ASSERT_EQ(text("kvwGenKeyPair", {"box"}).size(), 128u);
    ASSERT_EQ(text("kvwSign", {"box", hash, "1234"}).size(), 128u);
    ASSERT_TRUE(call("kvwUserLoginDlg").convert_to<bool>());

    std::string pin = distinctivePin(GetParam());
    const std::vector<Needle> what = needles(pin);
    {
        // The search finds a copy where one is left, in either encoding.
        std::string planted = pin;
        std::u16string wide(pin.begin(), pin.end());
        EXPECT_GE(scanMemory(what).size(), 2u);
        secureWipe(planted);
        secureWipe(&wide[0], wide.size() * sizeof(char16_t));
    }
    typeNext(pin);
    const std::vector<unsigned char> masked = what[0].masked;
    secureWipe(pin);
    struct Step {
        const char* method;
        std::vector<std::string> texts;
        bool pinArgument; // else typed into the dialog
    };
    const std::vector<Step> steps = {
        {"kvwUserLoginDlg", {}, true},
        {"kvwSign", {"box", hash}, true},
        {"kvwMakeSessionKey", {"box", std::string(128, '1'), "0102030405060708"}, true},
        {"kvwUserLoginDlg", {}, false},
        {"kvwSign", {"box", hash}, false},
        {"kvwGenKeyPair", {"fresh"}, false},
    };
    // Looked for after each call: a freed copy may soon be overwritten by chance.
    for (const Step& step : steps) {
        const std::string method = step.method;
        FB::VariantList args =
            arguments(step.texts, step.pinArgument ? masked : std::vector<unsigned char>());
        EXPECT_EQ(call(method, args).convert_to<int>(), -4) << method;
        wipeArguments(args);
        for (const std::string& hit : scanMemory(what))
            ADD_FAILURE() << "the PIN in memory after " << method << ": " << hit;
    }
    expectIdle();
    typeNext(std::string(32, ' '));
    fs::remove(answerFile());

    for (const std::string& hit : scanMemory(what))
        ADD_FAILURE() << "the PIN in memory: " << hit;
    for (const std::string& hit : scanFiles(gui.path(), what))
        ADD_FAILURE() << "the PIN in a file: " << hit;
}

INSTANTIATE_TEST_SUITE_P(Lengths, PinHygieneTest, ::testing::Values(12, 32));

} // namespace
