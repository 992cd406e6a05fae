#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace FB::ActiveX {

// A registration script: the registrar's syntax of nested keys with removal marks, default
// values and named values ("val"), with %NAME% replacements. Text is UTF-8.

// What unregistering does with a key: Normal ones go once nothing is left in them, NoRemove
// ones stay, ForceRemove ones go with everything in them (and are emptied before registering),
// Delete ones are removed when registering.
enum class Removal { Normal, NoRemove, ForceRemove, Delete };

struct RegistryValue {
    enum class Type { String, Dword };
    Type type = Type::String;
    std::string text;        // String
    std::uint32_t dword = 0; // Dword
    bool noRemove = false;
};

struct RegistryKey {
    std::string name;
    Removal removal = Removal::Normal;
    std::optional<RegistryValue> defaultValue;
    std::map<std::string, RegistryValue> values; // the "val" entries, by name
    std::vector<RegistryKey> subkeys;
};

// A root block: "HKCR" or "HKCU" (also the long names) and the keys under it.
struct RegistryRoot {
    std::string hive; // "HKCR" or "HKCU"
    std::vector<RegistryKey> keys;
};

using RegistryScript = std::vector<RegistryRoot>;
using Replacements = std::map<std::string, std::string>;

class RegistryScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses a script, putting in the replacements; a %NAME% without one, or text outside the
// syntax, throws RegistryScriptError naming the line.
RegistryScript parseRegistryScript(const std::string& text, const Replacements& replacements);

// The per-user form: the HKCR keys move under HKCU\Software\Classes (both NoRemove).
RegistryScript perUser(const RegistryScript& script);

// One row of the flat table of what a script writes: a key (value name absent), a key's default
// value (value name empty) or a named value.
struct RegistryRow {
    std::string hive;
    std::string key;                      // path below the hive, parts joined by '\'
    std::optional<std::string> valueName; // absent: the key itself
    std::optional<RegistryValue> value;
    Removal removal = Removal::Normal; // of the key
};

std::vector<RegistryRow> registryRows(const RegistryScript& script);

} // namespace FB::ActiveX
