// kv_install_check installed|removed FOLDER [FILE...]
//
// Reads back what the installer leaves: "installed" wants the files in FOLDER and every key of
// the control's registration table machine-wide (the per-user keys of the module's own
// registration under HKEY_LOCAL_MACHINE), the type library and the host manifests' keys;
// "removed" wants no FOLDER and none of those keys (test-msi sees that a neighbour stays). Prints
// each failure; exits 0 when there is none.
#include "RegistryTable.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int failures = 0;

void fail(const std::wstring& what) {
    std::fwprintf(stderr, L"kv_install_check: %ls\n", what.c_str());
    ++failures;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const wchar_t* const hostKeys[] = {
    L"Software\\Google\\Chrome\\NativeMessagingHosts\\org.kestrova.host",
    L"Software\\Chromium\\NativeMessagingHosts\\org.kestrova.host",
    L"Software\\Microsoft\\Edge\\NativeMessagingHosts\\org.kestrova.host",
    L"Software\\Mozilla\\NativeMessagingHosts\\org.kestrova.host"};
const wchar_t* const typeLibrary = L"TypeLib\\" LIBID_TEXT;

void checkInstalled(const std::wstring& folder, int fileCount, wchar_t** files) {
    for (int i = 0; i < fileCount; ++i)
        if (!fileExists(folder + L"\\" + files[i]))
            fail(L"missing file " + std::wstring(files[i]));
    const std::wstring module = folder + L"\\npkestrova.dll";
    for (const Expected& e : expectedKeys(module)) {
        const HKEY root = e.classes ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
        if (!keyExists(root, e.key))
            fail(L"missing key " + std::wstring(e.key));
        else if (valueOf(root, e.key, e.value) != e.data)
            fail(std::wstring(e.key) + L" [" + e.value + L"] is " + valueOf(root, e.key, e.value));
    }
    const std::wstring library =
        std::wstring(typeLibrary) + L"\\1.0\\0\\" + (sizeof(void*) == 8 ? L"win64" : L"win32");
    if (valueOf(HKEY_CLASSES_ROOT, library, L"") != module)
        fail(library + L" is " + valueOf(HKEY_CLASSES_ROOT, library, L""));
    for (const wchar_t* key : hostKeys) {
        const std::wstring manifest = valueOf(HKEY_LOCAL_MACHINE, key, L"");
        if (!fileExists(manifest))
            fail(std::wstring(key) + L" names " + manifest);
    }
}

void checkRemoved(const std::wstring& folder) {
    if (fileExists(folder))
        fail(L"the folder is still there: " + folder);
    for (const wchar_t* key : ownedKeys)
        if (keyExists(HKEY_CLASSES_ROOT, key))
            fail(L"left behind: " + std::wstring(key));
    for (const wchar_t* key : ownedUserKeys)
        if (keyExists(HKEY_LOCAL_MACHINE, key))
            fail(L"left behind: " + std::wstring(key));
    if (keyExists(HKEY_CLASSES_ROOT, typeLibrary))
        fail(L"left behind: " + std::wstring(typeLibrary));
    for (const wchar_t* key : hostKeys)
        if (keyExists(HKEY_LOCAL_MACHINE, key))
            fail(L"left behind: " + std::wstring(key));
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kv_install_check installed|removed FOLDER [FILE...]\n");
        return 2;
    }
    if (std::wcscmp(argv[1], L"installed") == 0)
        checkInstalled(argv[2], argc - 3, argv + 3);
    else if (std::wcscmp(argv[1], L"removed") == 0)
        checkRemoved(argv[2]);
    else
        return 2;
    return failures == 0 ? 0 : 1;
}
