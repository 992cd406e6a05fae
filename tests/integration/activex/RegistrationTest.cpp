// What registration leaves in the registry, machine-wide (from heat.exe) and per user (from any
// other program), read back key by key; what unregistration removes and what it leaves.
#include "GuiFolder.h"
#include "RegistryTable.h"
#include "TestEnv.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// The module's folder and its registration entry points, called from this program.
class Module {
public:
    Module() : folder("") {
        fs::copy_file(hostPath(KV_ACTIVEX_MODULE), path());
        handle = LoadLibraryW(path().c_str());
    }
    ~Module() { FreeLibrary(handle); }

    fs::path path() const { return folder.path() / "npkestrova.dll"; }
    template <class F> F entry(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
    }
    HRESULT registerServer() const {
        return entry<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer")();
    }
    HRESULT unregisterServer() const {
        return entry<HRESULT(STDAPICALLTYPE*)()>("DllUnregisterServer")();
    }
    HRESULT install(bool install, const wchar_t* line) const {
        return entry<HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR)>("DllInstall")(install, line);
    }
    // heat.exe ACTION [LINE] on this module; its exit code.
    DWORD heat(const std::wstring& action, const std::wstring& line = L"") const {
        std::wstring command =
            L"\"" + hostPath(KV_HEAT).wstring() + L"\" \"" + path().wstring() + L"\" " + action;
        if (!line.empty())
            command += L" " + line;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process))
            return 9999;
        WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 9999;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return code;
    }

    GuiFolder folder;
    HMODULE handle = nullptr;
};

class RegistrationTest : public ::testing::Test {
protected:
    void expectRegistered(HKEY classes, const std::wstring& classesPrefix) {
        for (const Expected& e : expectedKeys(module.path().wstring())) {
            const HKEY root = e.classes ? classes : HKEY_CURRENT_USER;
            const std::wstring key = (e.classes ? classesPrefix : L"") + e.key;
            EXPECT_TRUE(keyExists(root, key)) << key;
            EXPECT_EQ(valueOf(root, key, e.value), e.data) << key << " [" << e.value << "]";
        }
    }
    void expectUnregistered(HKEY classes, const std::wstring& classesPrefix) {
        for (const wchar_t* key : ownedKeys)
            EXPECT_FALSE(keyExists(classes, classesPrefix + key)) << key;
        for (const wchar_t* key : ownedUserKeys)
            EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key)) << key;
        for (const wchar_t* key : keptKeys)
            EXPECT_TRUE(keyExists(classes, classesPrefix + key)) << key;
        for (const wchar_t* key : keptUserKeys)
            EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, key)) << key;
    }

    Module module;
};

TEST_F(RegistrationTest, MachineWideFromHeat) {
    ASSERT_EQ(module.heat(L"register"), 0u);
    expectRegistered(HKEY_CLASSES_ROOT, L"");
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" CLSID_TEXT));
    EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" LIBID_TEXT L"\\1.0"));
    ASSERT_EQ(module.heat(L"unregister"), 0u);
    expectUnregistered(HKEY_CLASSES_ROOT, L"");
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" LIBID_TEXT));
}

TEST_F(RegistrationTest, PerUserFromAnyOtherProgram) {
    ASSERT_EQ(module.registerServer(), S_OK);
    expectRegistered(HKEY_CURRENT_USER, L"Software\\Classes\\");
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" CLSID_TEXT));
    ASSERT_EQ(module.unregisterServer(), S_OK);
    expectUnregistered(HKEY_CURRENT_USER, L"Software\\Classes\\");
}

TEST_F(RegistrationTest, DllInstallAndItsCommandLine) {
    const struct {
        const wchar_t* line;
        bool perUser;
    } cases[] = {{L"USER", true}, {L"user", true}, {L"userx", false}, {L"", false}};
    for (const auto& c : cases) {
        ASSERT_EQ(module.heat(L"install", c.line), 0u) << c.line;
        EXPECT_EQ(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" CLSID_TEXT), c.perUser)
            << c.line;
        EXPECT_EQ(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" CLSID_TEXT),
                  !c.perUser)
            << c.line;
        ASSERT_EQ(module.heat(L"uninstall", c.line), 0u) << c.line;
        EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"CLSID\\" CLSID_TEXT)) << c.line;
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" CLSID_TEXT))
            << c.line;
    }
    // From any program but heat.exe, "user" or not, it is per user.
    ASSERT_EQ(module.install(true, nullptr), S_OK);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" CLSID_TEXT));
    ASSERT_EQ(module.install(false, nullptr), S_OK);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" CLSID_TEXT));
}

} // namespace
