#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Looks for copies of a secret in everything this process can read and in the files of a
// folder. The secret is kept masked (XOR), so the search itself holds no copy of it.
namespace memscan {

constexpr unsigned char mask = 0xA5;

struct Needle {
    std::string name;
    std::vector<unsigned char> masked;
};

// The PIN in UTF-8 and UTF-16, and for a long one also its last 16 characters: the allocator
// writes its own list pointers over the first 16 bytes of a freed block, which would otherwise
// hide a freed but unwiped copy. The first needle is the PIN in UTF-8.
std::vector<Needle> needles(const std::string& pin);

// Writes the masked text, unmasked, to out (masked.size() bytes): straight into the buffer
// that carries it, so the caller keeps no plain copy of its own.
void unmask(const std::vector<unsigned char>& masked, char* out);

struct Match {
    const Needle* needle;
    std::uintptr_t address;
};

// Each match in data, which lies at base (allocating only when there is one).
std::vector<Match> find(const unsigned char* data, std::size_t size,
                        const std::vector<Needle>& what, std::uintptr_t base);

// Every readable region of this process: heap, stacks (live and dead frames), modules' data.
std::vector<std::string> scanMemory(const std::vector<Needle>& what);
// The same in a process this one started (a child may be read by its parent).
std::vector<std::string> scanMemory(int pid, const std::vector<Needle>& what);

// Every file under folder but those named in skip.
std::vector<std::string> scanFiles(const std::filesystem::path& folder,
                                   const std::vector<Needle>& what,
                                   const std::vector<std::string>& skip);

// A PIN of lowercase letters no test or library text could hold by chance, made at run time
// so the program's own image does not hold it.
std::string distinctivePin(std::size_t length);

// The platform's view of this process's memory, or of a child's. Walking it allocates
// nothing from the heaps the search looks at, which would otherwise hand a freed copy of the secret
// to the walk before it is read. What is read goes to a buffer of its own, outside every heap, that
// the walk leaves out.
class ProcessMemory {
public:
    struct Region {
        std::uintptr_t start;
        std::uintptr_t end;
    };
    static constexpr std::size_t chunk = 1 << 20;

    ProcessMemory();
    explicit ProcessMemory(int pid);
    ~ProcessMemory();
    ProcessMemory(const ProcessMemory&) = delete;
    ProcessMemory& operator=(const ProcessMemory&) = delete;

    // The first readable region that ends after `from`; false when there is none.
    bool next(std::uintptr_t from, Region& region) const;
    // What lies at the address, for a report: a module's file, the heap, ...
    std::string name(std::uintptr_t address) const;
    // Reads up to `size` (at most chunk) bytes at `at` into buffer(); 0 when none can be read.
    std::size_t read(std::uintptr_t at, std::size_t size) const;
    const unsigned char* buffer() const { return m_buffer; }
    // Whether a match at `address` is a copy the system keeps for itself, outside the
    // program's reach (see the platform's file).
    bool systemsCopy(std::uintptr_t address) const;

private:
    unsigned char* m_buffer; // chunk bytes, then m_aside bytes the platform keeps aside
    std::size_t m_aside = 0; // their size
    std::intptr_t m_handle = -1;
    bool m_self = true; // the buffer lies in the memory walked, and is left out
};

} // namespace memscan
