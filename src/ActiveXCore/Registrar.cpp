#include "Registrar.h"

#include "ActiveXIds.h"
#include "ModuleHandle_win.h"
#include "ModulePath.h"
#include "Utf.h"

namespace FB::ActiveX {

namespace {

HKEY hiveKey(const std::string& hive) {
    return hive == "HKCU" ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
}

HRESULT fromStatus(LONG status) {
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

bool missing(LONG status) {
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

HRESULT setValue(HKEY key, const std::wstring& name, const RegistryValue& value) {
    if (value.type == RegistryValue::Type::Dword) {
        const DWORD data = value.dword;
        return fromStatus(RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_DWORD,
                                         reinterpret_cast<const BYTE*>(&data), sizeof(data)));
    }
    const std::wstring text = utf8ToWide(value.text);
    return fromStatus(RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
}

HRESULT deleteTree(HKEY parent, const std::wstring& name) {
    const LONG status = RegDeleteTreeW(parent, name.c_str());
    if (status != ERROR_SUCCESS && !missing(status))
        return fromStatus(status);
    // RegDeleteTree empties a key; the key itself goes with RegDeleteKey.
    const LONG removed = RegDeleteKeyW(parent, name.c_str());
    return removed == ERROR_SUCCESS || missing(removed) ? S_OK : fromStatus(removed);
}

HRESULT writeKey(HKEY parent, const RegistryKey& key) {
    const std::wstring name = utf8ToWide(key.name);
    if (key.removal == Removal::Delete)
        return deleteTree(parent, name);
    if (key.removal == Removal::ForceRemove) {
        if (const HRESULT hr = deleteTree(parent, name); FAILED(hr))
            return hr;
    }
    HKEY opened = nullptr;
    HRESULT hr = fromStatus(RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0,
                                            KEY_READ | KEY_WRITE, nullptr, &opened, nullptr));
    if (FAILED(hr))
        return hr;
    if (key.defaultValue)
        hr = setValue(opened, L"", *key.defaultValue);
    for (auto it = key.values.begin(); SUCCEEDED(hr) && it != key.values.end(); ++it)
        hr = setValue(opened, utf8ToWide(it->first), it->second);
    for (auto it = key.subkeys.begin(); SUCCEEDED(hr) && it != key.subkeys.end(); ++it)
        hr = writeKey(opened, *it);
    RegCloseKey(opened);
    return hr;
}

bool hasSubkeys(HKEY key) {
    DWORD subkeys = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys > 0;
}

HRESULT removeKey(HKEY parent, const RegistryKey& key) {
    const std::wstring name = utf8ToWide(key.name);
    if (key.removal == Removal::ForceRemove)
        return deleteTree(parent, name);
    if (key.removal == Removal::Delete)
        return S_OK;
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, &opened);
    if (missing(status))
        return S_OK;
    if (status != ERROR_SUCCESS)
        return fromStatus(status);
    HRESULT hr = S_OK;
    for (auto it = key.subkeys.begin(); SUCCEEDED(hr) && it != key.subkeys.end(); ++it)
        hr = removeKey(opened, *it);
    for (const auto& [valueName, value] : key.values) {
        if (!value.noRemove)
            RegDeleteValueW(opened, utf8ToWide(valueName).c_str());
    }
    // A key of ours goes once nothing of anyone else's is left below it; a NoRemove key stays.
    const bool keep = key.removal == Removal::NoRemove || hasSubkeys(opened);
    RegCloseKey(opened);
    if (SUCCEEDED(hr) && !keep) {
        const LONG removed = RegDeleteKeyW(parent, name.c_str());
        if (removed != ERROR_SUCCESS && !missing(removed))
            hr = fromStatus(removed);
    }
    return hr;
}

std::string guidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return wideToUtf8(text);
}

bool moduleIsProgram() {
    return thisModuleHandle() == GetModuleHandleW(nullptr);
}

} // namespace

HRESULT applyRegistryScript(const RegistryScript& script, bool install) {
    for (const RegistryRoot& root : script) {
        for (const RegistryKey& key : root.keys) {
            const HRESULT hr =
                install ? writeKey(hiveKey(root.hive), key) : removeKey(hiveKey(root.hive), key);
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

std::string registryScriptResource(int id) {
    const HMODULE module = thisModuleHandle();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        throw RegistryScriptError("registration script " + std::to_string(id) + " not found");
    return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

Replacements moduleReplacements() {
    const std::string module = modulePath();
    return {{"APPID", wideToUtf8(AppId)},
            {"CLSID", guidText(CLSID_FBControl)},
            {"LIBID", guidText(LIBID_kestrovaLib)},
            {"MODULE", moduleIsProgram() ? "\"" + module + "\"" : module},
            {"Module_Raw", module},
            {"THREADING", ThreadingModel}};
}

HRESULT runRegistryScript(int id, bool install, bool perUserMode) {
    try {
        RegistryScript script =
            parseRegistryScript(registryScriptResource(id), moduleReplacements());
        if (perUserMode)
            script = perUser(script);
        return applyRegistryScript(script, install);
    } catch (const std::exception&) {
        return E_FAIL;
    }
}

} // namespace FB::ActiveX
