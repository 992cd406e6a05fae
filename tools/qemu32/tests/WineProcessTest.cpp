// What the Windows suites take for granted from Wine, checked on its own so that a fault shows
// here by name and not as a crash inside some other test: each thread sees its own TEB and TLS
// (under qemu-i386 that needs qemu32-run's preload), a child process starts and is heard,
// address space is reserved exactly where asked or not at all, and ReadProcessMemory (done by
// the wineserver, a 64-bit program) reads what is at the address it is given.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

// The head of the TEB, the same on 32-bit and 64-bit Windows: NT_TIB, then the environment
// pointer and the client id.
struct TebHead {
    NT_TIB tib;
    void* environment;
    void* uniqueProcess;
    void* uniqueThread;
};

thread_local std::intptr_t threadMark;

// True where the TEB that %fs (%gs on 64-bit) names, thread_local and the TLS slot are this
// thread's own.
bool seesItsOwn(std::intptr_t id, DWORD tlsIndex) {
    const auto* teb = reinterpret_cast<const TebHead*>(NtCurrentTeb());
    return teb->tib.Self == &teb->tib &&
           reinterpret_cast<std::uintptr_t>(teb->uniqueThread) == GetCurrentThreadId() &&
           threadMark == id && TlsGetValue(tlsIndex) == reinterpret_cast<void*>(id);
}

void markThread(std::intptr_t id, DWORD tlsIndex) {
    threadMark = id;
    TlsSetValue(tlsIndex, reinterpret_cast<void*>(id));
}

class WineThreads : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(tlsIndex, TLS_OUT_OF_INDEXES); }
    void TearDown() override { TlsFree(tlsIndex); }
    const DWORD tlsIndex = TlsAlloc();
};

// Threads running side by side, each entering Wine round after round (every entry reloads the
// segment registers on the way back), keep their own.
TEST_F(WineThreads, ThreadsSideBySideKeepTheirOwnTebAndTls) {
    constexpr int kThreads = 6;
    constexpr int kRounds = 3000;
    std::atomic<int> wrongRounds{0};
    std::vector<std::thread> threads;
    for (std::intptr_t id = 1; id <= kThreads; ++id)
        threads.emplace_back([&, id] {
            markThread(id, tlsIndex);
            for (int round = 0; round < kRounds; ++round) {
                if (round % 2)
                    SwitchToThread();
                else
                    Sleep(0);
                if (!seesItsOwn(id, tlsIndex))
                    ++wrongRounds;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrongRounds, 0);
}

// Many short threads one after another, more than the descriptor entries there are for them at
// once, so the entries of finished threads must be handed on.
TEST_F(WineThreads, ThreadsOneAfterAnotherEachHaveTheirOwn) {
    constexpr int kThreads = 1200;
    int wrong = 0;
    for (std::intptr_t id = 1; id <= kThreads; ++id) {
        bool own = false;
        std::thread([&, id] {
            markThread(id, tlsIndex);
            Sleep(0);
            own = seesItsOwn(id, tlsIndex);
        }).join();
        wrong += !own;
    }
    EXPECT_EQ(wrong, 0);
}

// A 32-bit child (Wine's cmd) started, its output read through a pipe and its exit code seen.
TEST(WineChildren, ChildRunsAndIsHeard) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION child{};
    wchar_t command[] = L"cmd.exe /c echo kestrova&exit 7";
    ASSERT_TRUE(CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &child));
    CloseHandle(writeEnd);

    std::string output;
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    CloseHandle(readEnd);
    ASSERT_EQ(WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);

    EXPECT_NE(output.find("kestrova"), std::string::npos) << output;
    EXPECT_EQ(code, 7u);
}

// Reservations at a given address around one that is held: refused where any page is taken,
// granted exactly there where all are free.
TEST(WineMemory, ReservesExactlyWhereAskedOrNotAtAll) {
    constexpr SIZE_T kSize = 16 << 20;
    char* held = static_cast<char*>(VirtualAlloc(nullptr, 2 * kSize, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(held, nullptr);
    // The upper half is given back: free address space right after what is held.
    ASSERT_TRUE(VirtualFree(held, 0, MEM_RELEASE));
    ASSERT_EQ(VirtualAlloc(held, kSize, MEM_RESERVE, PAGE_NOACCESS), held);

    const struct {
        const char* name;
        SIZE_T offset; // from the start of what is held
        bool granted;
    } cases[] = {
        {"the held range itself", 0, false},
        {"over the end of the held range", kSize / 2, false},
        {"right after the held range", kSize, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char* wanted = held + c.offset;
        void* got = VirtualAlloc(wanted, kSize, MEM_RESERVE, PAGE_NOACCESS);
        if (c.granted) {
            EXPECT_EQ(got, wanted);
        } else {
            EXPECT_EQ(got, nullptr);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
        }
        if (got && got != held)
            VirtualFree(got, 0, MEM_RELEASE);
    }

    // What was held is still there, as it was.
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(VirtualQuery(held, &info, sizeof info), 0u);
    EXPECT_EQ(info.AllocationBase, held);
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_RESERVE));
    EXPECT_EQ(info.RegionSize, kSize);
    VirtualFree(held, 0, MEM_RELEASE);
}

// The memory scans of the PIN tests read the process's memory this way: a stack and a heap
// block, each read back through the wineserver.
TEST(WineMemory, ReadProcessMemoryReadsWhatIsThere) {
    char onStack[64];
    std::vector<char> onHeap(4096);
    for (std::size_t i = 0; i < sizeof onStack; ++i)
        onStack[i] = static_cast<char>('a' + i % 26);
    for (std::size_t i = 0; i < onHeap.size(); ++i)
        onHeap[i] = static_cast<char>(i * 7);
    const struct {
        const char* name;
        const char* data;
        std::size_t size;
    } cases[] = {{"the stack", onStack, sizeof onStack},
                 {"the heap", onHeap.data(), onHeap.size()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char> read(c.size);
        SIZE_T got = 0;
        ASSERT_TRUE(ReadProcessMemory(GetCurrentProcess(), c.data, read.data(), c.size, &got));
        EXPECT_EQ(got, c.size);
        EXPECT_TRUE(std::equal(read.begin(), read.end(), c.data));
    }
}

} // namespace
