// What the control's registration writes, key by key: the module's registrar (per user and
// machine-wide) and the installer write the same table, read back by the registration test and
// by the installer's check.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#define CLSID_TEXT L"{4F1E2A7C-93D5-5B08-B6E1-2C7D90A4F3B5}"
#define APPID_TEXT L"{A3C9E571-2D84-4F6B-9E02-7B15D8C4A963}"
#define LIBID_TEXT L"{ED7C73D4-C715-4DF6-8AF7-6B7E95CDEC07}"
#define EXT L"Software\\Microsoft\\Windows\\CurrentVersion\\Ext"

inline bool keyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

// A value as text (a DWORD in decimal); "(missing)" when it is not there.
inline std::wstring valueOf(HKEY root, const std::wstring& key, const std::wstring& name) {
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
    bool classes; // below the classes root, else below HKEY_CURRENT_USER (the per-user hive)
    const wchar_t* key;
    const wchar_t* value;
    std::wstring data;
};

inline std::vector<Expected> expectedKeys(const std::wstring& module) {
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
inline const wchar_t* const ownedKeys[] = {
    L"AppID\\" APPID_TEXT, L"AppID\\npkestrova.dll",
    L"Velmora.kestrova.1", L"Velmora.kestrova",
    L"CLSID\\" CLSID_TEXT, L"MIME\\Database\\Content Type\\application/x-kestrova"};
inline const wchar_t* const ownedUserKeys[] = {EXT L"\\PreApproved\\" CLSID_TEXT,
                                               EXT L"\\Stats\\" CLSID_TEXT,
                                               L"Software\\MozillaPlugins\\velmora.com/kestrova"};
inline const wchar_t* const keptKeys[] = {L"AppID", L"CLSID", L"MIME\\Database\\Content Type"};
inline const wchar_t* const keptUserKeys[] = {EXT, L"Software\\MozillaPlugins"};
