// What registration leaves in the registry, machine-wide (from heat.exe) and per user (from any
// other program), read back key by key; what unregistration removes and what it leaves.
#include "GuiFolder.h"
#include "TestEnv.h"

#include <cstring>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

#define CLSID_TEXT L"{4F1E2A7C-93D5-5B08-B6E1-2C7D90A4F3B5}"
#define APPID_TEXT L"{A3C9E571-2D84-4F6B-9E02-7B15D8C4A963}"
#define LIBID_TEXT L"{ED7C73D4-C715-4DF6-8AF7-6B7E95CDEC07}"
#define EXT L"Software\\Microsoft\\Windows\\CurrentVersion\\Ext"

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

bool keyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

// A value as text (a DWORD in decimal); "(missing)" when it is not there.
std::wstring valueOf(HKEY root, const std::wstring& key, const std::wstring& name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return L"(missing)";
    const LONG status = RegQueryValueExW(opened, name.empty() ? nullptr : name.c_str(), nullptr,
                                         &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS)
        return L"(missing)";
    if (type == REG_DWORD) {
        DWORD number = 0;
        std::memcpy(&number, data, sizeof number);
        return std::to_wstring(number);
    }
    return data;
}

struct Expected {
    bool classes; // below the classes root, else below HKEY_CURRENT_USER
    const wchar_t* key;
    const wchar_t* value;
    std::wstring data;
};

std::vector<Expected> expectedKeys(const std::wstring& module) {
    return {
        {true, L"AppID\\" APPID_TEXT, L"", L"KestrovaHostWin"},
        {true, L"AppID\\npkestrova.dll", L"AppID", APPID_TEXT},
        {true, L"Velmora.kestrova.1", L"", L"Kestrova WEB Plugin"},
        {true, L"Velmora.kestrova.1\\CLSID", L"", CLSID_TEXT},
        {true, L"Velmora.kestrova", L"", L"Kestrova WEB Plugin"},
        {true, L"Velmora.kestrova\\CLSID", L"", CLSID_TEXT},
        {true, L"Velmora.kestrova\\CurVer", L"", L"Velmora.kestrova.1"},
        {true, L"CLSID\\" CLSID_TEXT, L"", L"Kestrova WEB Plugin"},
        {true, L"CLSID\\" CLSID_TEXT, L"AppID", APPID_TEXT},
        {true, L"CLSID\\" CLSID_TEXT L"\\ProgID", L"", L"Velmora.kestrova.1"},
        {true, L"CLSID\\" CLSID_TEXT L"\\VersionIndependentProgID", L"", L"Velmora.kestrova"},
        {true, L"CLSID\\" CLSID_TEXT L"\\Programmable", L"", L"(missing)"},
        {true, L"CLSID\\" CLSID_TEXT L"\\InprocServer32", L"", module},
        {true, L"CLSID\\" CLSID_TEXT L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {true, L"CLSID\\" CLSID_TEXT L"\\Control", L"", L"(missing)"},
        {true, L"CLSID\\" CLSID_TEXT L"\\MiscStatus", L"", L"0"},
        {true, L"CLSID\\" CLSID_TEXT L"\\MiscStatus\\1", L"", L"131473"},
        {true, L"CLSID\\" CLSID_TEXT L"\\TypeLib", L"", LIBID_TEXT},
        {true, L"CLSID\\" CLSID_TEXT L"\\Version", L"", L"1"},
        {true, L"MIME\\Database\\Content Type\\application/x-kestrova", L"",
         L"Kestrova WEB Plugin"},
        {true, L"MIME\\Database\\Content Type\\application/x-kestrova", L"Extension", L""},
        {true, L"MIME\\Database\\Content Type\\application/x-kestrova", L"CLSID", CLSID_TEXT},
        {false, EXT L"\\PreApproved\\" CLSID_TEXT, L"", L"(missing)"},
        {false, EXT L"\\Stats\\" CLSID_TEXT L"\\iexplore", L"Count", L"0"},
        {false, EXT L"\\Stats\\" CLSID_TEXT L"\\iexplore\\AllowedDomains\\*", L"", L"(missing)"},
        {false, L"Software\\MozillaPlugins\\velmora.com/kestrova", L"Path", module},
    };
}

// Keys that registration owns (all go) and parents it must leave.
const wchar_t* const ownedKeys[] = {
    L"AppID\\" APPID_TEXT, L"AppID\\npkestrova.dll",
    L"Velmora.kestrova.1", L"Velmora.kestrova",
    L"CLSID\\" CLSID_TEXT, L"MIME\\Database\\Content Type\\application/x-kestrova"};
const wchar_t* const ownedUserKeys[] = {EXT L"\\PreApproved\\" CLSID_TEXT,
                                        EXT L"\\Stats\\" CLSID_TEXT,
                                        L"Software\\MozillaPlugins\\velmora.com/kestrova"};
const wchar_t* const keptKeys[] = {L"AppID", L"CLSID", L"MIME\\Database\\Content Type"};
const wchar_t* const keptUserKeys[] = {EXT, L"Software\\MozillaPlugins"};

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
