// A process's memory as Windows shows it: VirtualQueryEx walks the address space, and
// ReadProcessMemory reads a region without faulting where a page cannot be read after all.
#include "MemoryScan.h"

#include "SecureWipe.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace memscan {

namespace {

// Room after the reading buffer for what precedes a match.
constexpr std::size_t contextSize = 256;

bool wideAt(const unsigned char* data, std::size_t at, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (data[at + 2 * i] != static_cast<unsigned char>(text[i]) || data[at + 2 * i + 1] != 0)
            return false;
    return true;
}

// The `size` bytes before a UTF-16 match end the parameters block of a created Gui.bin: its
// image path (ending in \Gui.bin), the zero padding that aligns the next string, then the
// command line, which begins with "Gui " and runs, without a NUL, up to the match.
bool endsGuiParameters(const unsigned char* data, std::size_t size) {
    std::size_t line = size;
    while (line >= 2 && (data[line - 2] != 0 || data[line - 1] != 0))
        line -= 2;
    if (line < 2 || line + 8 > size || !wideAt(data, line, "Gui "))
        return false;
    // Over the padding, to the low byte of the path's last character.
    std::size_t path = line;
    while (path > 0 && data[path - 1] == 0 && line - path <= 16)
        --path;
    const std::string image = "\\Gui.bin";
    return line - path <= 16 && path + 1 >= 2 * image.size() &&
           wideAt(data, path + 1 - 2 * image.size(), image);
}

bool readable(const MEMORY_BASIC_INFORMATION& info) {
    if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)))
        return false;
    return info.Protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY);
}

} // namespace

ProcessMemory::ProcessMemory() : ProcessMemory(static_cast<int>(GetCurrentProcessId())) {}

ProcessMemory::ProcessMemory(int pid) : m_self(DWORD(pid) == GetCurrentProcessId()) {
    m_handle = reinterpret_cast<std::intptr_t>(
        m_self ? GetCurrentProcess()
               : OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, DWORD(pid)));
    if (!m_handle)
        throw std::runtime_error("cannot open the process to read its memory");
    // Allocated on its own, outside every heap, so that its region can be left out.
    m_aside = contextSize;
    m_buffer = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, chunk + m_aside, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!m_buffer)
        throw std::runtime_error("no memory for the scan's buffer");
}

ProcessMemory::~ProcessMemory() {
    secureWipe(m_buffer, chunk + m_aside);
    VirtualFree(m_buffer, 0, MEM_RELEASE);
    if (!m_self)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

bool ProcessMemory::next(std::uintptr_t from, Region& region) const {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const auto last = reinterpret_cast<std::uintptr_t>(system.lpMaximumApplicationAddress);
    MEMORY_BASIC_INFORMATION info;
    for (auto at =
             std::max(from, reinterpret_cast<std::uintptr_t>(system.lpMinimumApplicationAddress));
         at < last &&
         VirtualQueryEx(reinterpret_cast<HANDLE>(m_handle), reinterpret_cast<void*>(at), &info,
                        sizeof(info)) == sizeof(info);
         at = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize) {
        if (readable(info) && !(m_self && info.AllocationBase == m_buffer)) {
            const auto start = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
            region = {start, start + info.RegionSize};
            return true;
        }
    }
    return false;
}

std::string ProcessMemory::name(std::uintptr_t address) const {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQueryEx(reinterpret_cast<HANDLE>(m_handle), reinterpret_cast<void*>(address), &info,
                       sizeof(info)) != sizeof(info))
        return "unknown memory";
    if (info.Type == MEM_IMAGE && m_self) {
        char name[MAX_PATH] = {};
        if (GetModuleFileNameA(static_cast<HMODULE>(info.AllocationBase), name, MAX_PATH))
            return name;
        return "image";
    }
    return info.Type == MEM_MAPPED ? "mapped memory" : "private memory";
}

std::size_t ProcessMemory::read(std::uintptr_t at, std::size_t size) const {
    // A partial copy counts: what follows is read no further.
    SIZE_T got = 0;
    ReadProcessMemory(reinterpret_cast<HANDLE>(m_handle), reinterpret_cast<const void*>(at),
                      m_buffer, size, &got);
    return got;
}

// CreateProcess builds the new process's parameters (image path, command line, ...) in the
// creating process's heap and frees them without wiping. A PIN given to the PIN-entry program
// as its argument travels on that command line by design; the block is the system's, and the
// program holds no handle to it that it could wipe.
bool ProcessMemory::systemsCopy(std::uintptr_t address) const {
    if (address < contextSize)
        return false;
    unsigned char* context = m_buffer + chunk;
    SIZE_T got = 0;
    ReadProcessMemory(reinterpret_cast<HANDLE>(m_handle),
                      reinterpret_cast<const void*>(address - contextSize), context, contextSize,
                      &got);
    const bool found = got == contextSize && endsGuiParameters(context, contextSize);
    secureWipe(context, contextSize);
    return found;
}

} // namespace memscan
