#include "MemoryScan.h"

#include "SecureWipe.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace memscan {

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

void unmask(const std::vector<unsigned char>& masked, char* out) {
    for (std::size_t i = 0; i < masked.size(); ++i)
        out[i] = static_cast<char>(masked[i] ^ mask);
}

std::vector<Match> find(const unsigned char* data, std::size_t size,
                        const std::vector<Needle>& what, std::uintptr_t base) {
    std::vector<Match> matches;
    for (const Needle& n : what) {
        const std::size_t length = n.masked.size();
        for (std::size_t i = 0; i + length <= size; ++i) {
            std::size_t j = 0;
            while (j < length && (data[i + j] ^ mask) == n.masked[j])
                ++j;
            if (j == length)
                matches.push_back({&n, base + i});
        }
    }
    return matches;
}

namespace {

std::string report(const Match& match, const std::string& where) {
    std::ostringstream s;
    s << match.needle->name << " at 0x" << std::hex << match.address << " in " << where;
    return s.str();
}

} // namespace

namespace {

std::vector<std::string> scan(const ProcessMemory& memory, const std::vector<Needle>& what) {
    constexpr std::size_t overlap = 256;
    std::vector<std::string> hits;
    ProcessMemory::Region region;
    for (std::uintptr_t from = 0; memory.next(from, region); from = region.end) {
        for (std::uintptr_t at = region.start; at < region.end;) {
            const std::size_t want =
                std::min<std::uintptr_t>(ProcessMemory::chunk, region.end - at);
            const std::size_t got = memory.read(at, want);
            if (got == 0)
                break;
            for (const Match& match : find(memory.buffer(), got, what, at))
                if (!memory.systemsCopy(match.address))
                    hits.push_back(report(match, memory.name(match.address)));
            // A match across two chunks is found in the next one.
            at += got > overlap && got == want && at + got < region.end ? got - overlap : got;
        }
    }
    return hits;
}

} // namespace

std::vector<std::string> scanMemory(const std::vector<Needle>& what) {
    return scan(ProcessMemory(), what);
}

std::vector<std::string> scanMemory(int pid, const std::vector<Needle>& what) {
    return scan(ProcessMemory(pid), what);
}

std::vector<std::string> scanFiles(const fs::path& folder, const std::vector<Needle>& what,
                                   const std::vector<std::string>& skip) {
    std::vector<std::string> hits;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() ||
            std::find(skip.begin(), skip.end(), entry.path().filename().string()) != skip.end())
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(file)), {});
        for (const Match& match :
             find(reinterpret_cast<const unsigned char*>(content.data()), content.size(), what, 0))
            hits.push_back(report(match, entry.path().string()));
    }
    return hits;
}

std::string distinctivePin(std::size_t length) {
    std::random_device device;
    std::string pin;
    pin.reserve(length);
    while (pin.size() < length)
        pin += static_cast<char>('a' + device() % 26);
    return pin;
}

} // namespace memscan
