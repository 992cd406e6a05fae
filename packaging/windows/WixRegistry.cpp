// wix-registry OUT SCRIPT... [NAME=VALUE]...
//
// Writes the registry data of the installer (a WiX include of RegistryKey elements) from the
// module's own registration scripts, with the replacements given, so that the installer writes
// what the module's registrar writes. The installer registers machine-wide: the per-user keys of
// the scripts go to HKEY_LOCAL_MACHINE. On removal, keys the scripts force-remove go whole, keys
// holding our values go with them, and shared parents stay.
#include "RegistryScript.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

using namespace FB::ActiveX;

namespace {

std::string xml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string root(const std::string& hive) {
    return hive == "HKCR" ? "HKCR" : "HKLM";
}

// A key row's special name in the installer's registry table: "*" creates the key and removes
// it with everything below on uninstall, "+" only creates it; empty: the key needs no row.
std::string keyAction(const std::vector<RegistryRow>& rows, const RegistryRow& key) {
    const auto below = [&](const RegistryRow& r) {
        return r.hive == key.hive && r.key.size() > key.key.size() &&
               r.key.compare(0, key.key.size() + 1, key.key + "\\") == 0;
    };
    const auto ownValue = [&](const RegistryRow& r) {
        return r.hive == key.hive && r.key == key.key && r.valueName;
    };
    switch (key.removal) {
    case Removal::ForceRemove:
        return "*";
    case Removal::NoRemove:
        return "";
    case Removal::Delete:
        throw RegistryScriptError("Delete keys have no installer form: " + key.key);
    case Removal::Normal:
        break;
    }
    if (std::any_of(rows.begin(), rows.end(), ownValue))
        return "*";
    return std::any_of(rows.begin(), rows.end(), below) ? "" : "+";
}

void writeRow(std::ostream& out, const std::vector<RegistryRow>& rows, const RegistryRow& row) {
    std::string name, type = "string", value;
    if (!row.valueName) {
        name = keyAction(rows, row);
        if (name.empty())
            return;
    } else {
        name = *row.valueName;
        if (row.value->type == RegistryValue::Type::Dword) {
            type = "integer";
            value = std::to_string(row.value->dword);
        } else {
            value = row.value->text;
        }
    }
    out << "    <RegistryKey Root=\"" << root(row.hive) << "\" Key=\"" << xml(row.key) << "\">";
    out << "<RegistryValue";
    if (!name.empty())
        out << " Name=\"" << xml(name) << "\"";
    out << " Type=\"" << type << "\" Value=\"" << xml(value) << "\"/></RegistryKey>\n";
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::cerr << "usage: wix-registry OUT SCRIPT... [NAME=VALUE]...\n";
        return 2;
    }
    Replacements replacements;
    std::vector<std::string> scripts;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto equals = arg.find('=');
        if (equals == std::string::npos)
            scripts.push_back(arg);
        else
            replacements[arg.substr(0, equals)] = arg.substr(equals + 1);
    }
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<!-- Made by wix-registry from the module's registration scripts. -->\n"
           "<Include>\n";
    try {
        for (const std::string& path : scripts) {
            std::ifstream in(path, std::ios::binary);
            if (!in) {
                std::cerr << "wix-registry: cannot read " << path << "\n";
                return 1;
            }
            std::ostringstream text;
            text << in.rdbuf();
            const auto rows = registryRows(parseRegistryScript(text.str(), replacements));
            for (const RegistryRow& row : rows)
                writeRow(out, rows, row);
        }
    } catch (const RegistryScriptError& e) {
        std::cerr << "wix-registry: " << e.what() << "\n";
        return 1;
    }
    out << "</Include>\n";
    std::ofstream file(argv[1], std::ios::binary);
    file << out.str();
    return file.good() ? 0 : 1;
}
