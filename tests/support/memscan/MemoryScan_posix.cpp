// A process's memory as Linux shows it: /proc/<pid>/maps names the mappings, /proc/<pid>/mem
// reads them whatever their protection.
#include "MemoryScan.h"

#include "SecureWipe.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace memscan {

namespace {

// Room for the text of /proc/self/maps, read once when the walk begins.
constexpr std::size_t mapsRoom = 1 << 20;

// One line of /proc/self/maps: "START-END PERMS OFFSET DEVICE INODE   NAME".
struct MapsLine {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    bool readable = false;
    const char* name = nullptr; // up to the line's end
    const char* nameEnd = nullptr;
};

// The line at text (up to end); returns where the next one begins.
const char* parseLine(const char* text, const char* end, MapsLine& line) {
    const char* lineEnd = static_cast<const char*>(std::memchr(text, '\n', end - text));
    if (!lineEnd)
        lineEnd = end;
    char* after = nullptr;
    line.start = std::strtoull(text, &after, 16);
    line.end = std::strtoull(after + 1, &after, 16);
    line.readable = after[1] == 'r';
    // The name follows the fifth field; anonymous mappings have none.
    const char* field = after;
    for (int i = 0; i < 4 && field < lineEnd; ++i) {
        while (field < lineEnd && *field == ' ')
            ++field;
        while (field < lineEnd && *field != ' ')
            ++field;
    }
    while (field < lineEnd && *field == ' ')
        ++field;
    line.name = field;
    line.nameEnd = lineEnd;
    return lineEnd < end ? lineEnd + 1 : end;
}

bool named(const MapsLine& line, const char* name) {
    return std::size_t(line.nameEnd - line.name) == std::strlen(name) &&
           std::memcmp(line.name, name, std::strlen(name)) == 0;
}

} // namespace

ProcessMemory::ProcessMemory() : ProcessMemory(getpid()) {}

ProcessMemory::ProcessMemory(int pid) : m_self(pid == getpid()) {
    char maps[32], mem[32];
    std::snprintf(maps, sizeof maps, "/proc/%d/maps", pid);
    std::snprintf(mem, sizeof mem, "/proc/%d/mem", pid);
    // Mapped on its own, outside the heap, so that its region can be left out.
    void* mapped =
        mmap(nullptr, chunk + mapsRoom, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::runtime_error("no memory for the scan's buffer");
    m_buffer = static_cast<unsigned char*>(mapped);
    const int lines = open(maps, O_RDONLY);
    ssize_t got = 0;
    while (lines >= 0 && m_aside < mapsRoom &&
           (got = ::read(lines, m_buffer + chunk + m_aside, mapsRoom - m_aside)) > 0)
        m_aside += std::size_t(got);
    if (lines >= 0)
        close(lines);
    m_handle = open(mem, O_RDONLY);
    if (lines < 0 || m_handle < 0 || m_aside >= mapsRoom) {
        munmap(m_buffer, chunk + mapsRoom);
        throw std::runtime_error(std::string("cannot read ") + maps + " or " + mem);
    }
}

ProcessMemory::~ProcessMemory() {
    close(static_cast<int>(m_handle));
    secureWipe(m_buffer, chunk);
    munmap(m_buffer, chunk + mapsRoom);
}

bool ProcessMemory::next(std::uintptr_t from, Region& region) const {
    const char* text = reinterpret_cast<const char*>(m_buffer + chunk);
    const char* end = text + m_aside;
    // The kernel may join the buffer's mapping to a neighbour: it is cut out of any line.
    const auto own = reinterpret_cast<std::uintptr_t>(m_buffer);
    const std::uintptr_t ownEnd = own + chunk + mapsRoom;
    MapsLine line;
    while (text < end) {
        text = parseLine(text, end, line);
        if (!line.readable || named(line, "[vvar]") || named(line, "[vsyscall]"))
            continue;
        region = {std::max(line.start, from), line.end};
        if (m_self && region.start < ownEnd && own < region.end)
            region = region.start < own ? Region{region.start, own} : Region{ownEnd, region.end};
        if (region.start < region.end)
            return true;
    }
    return false;
}

std::string ProcessMemory::name(std::uintptr_t address) const {
    const char* text = reinterpret_cast<const char*>(m_buffer + chunk);
    const char* end = text + m_aside;
    MapsLine line;
    while (text < end) {
        text = parseLine(text, end, line);
        if (line.start <= address && address < line.end)
            return line.name == line.nameEnd ? "anonymous memory"
                                             : std::string(line.name, line.nameEnd);
    }
    return "unknown memory";
}

std::size_t ProcessMemory::read(std::uintptr_t at, std::size_t size) const {
    const ssize_t got = pread(static_cast<int>(m_handle), m_buffer, size, static_cast<off_t>(at));
    return got > 0 ? std::size_t(got) : 0;
}

bool ProcessMemory::systemsCopy(std::uintptr_t) const {
    return false;
}

} // namespace memscan
