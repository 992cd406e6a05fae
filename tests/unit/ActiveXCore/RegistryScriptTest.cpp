#include "RegistryScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace FB::ActiveX;

namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const Replacements replacements = {{"APPID", "{A3C9E571-2D84-4F6B-9E02-7B15D8C4A963}"},
                                   {"CLSID", "{4F1E2A7C-93D5-5B08-B6E1-2C7D90A4F3B5}"},
                                   {"LIBID", "{ED7C73D4-C715-4DF6-8AF7-6B7E95CDEC07}"},
                                   {"MODULE", "C:\\plugins\\npkestrova.dll"},
                                   {"Module_Raw", "C:\\plugins\\npkestrova.dll"},
                                   {"THREADING", "Apartment"}};

// One expected row: hive, key, value name ("-" for the key itself), data, removal.
struct Row {
    const char* hive;
    const char* key;
    const char* value;
    const char* data;
    Removal removal;
};

std::string describe(const RegistryRow& row) {
    std::string text = row.hive + "\\" + row.key + " [" +
                       (row.valueName ? *row.valueName : std::string("-")) + "]";
    if (row.value)
        text += row.value->type == RegistryValue::Type::Dword
                    ? " d " + std::to_string(row.value->dword)
                    : " s " + row.value->text;
    return text + " " + std::to_string(static_cast<int>(row.removal));
}

std::string describe(const Row& row) {
    std::string text = std::string(row.hive) + "\\" + row.key + " [" + row.value + "]";
    if (row.data)
        text += row.data;
    return text + " " + std::to_string(static_cast<int>(row.removal));
}

void expectRows(const RegistryScript& script, const std::vector<Row>& expected) {
    const std::vector<RegistryRow> rows = registryRows(script);
    std::vector<std::string> got, want;
    for (const RegistryRow& row : rows)
        got.push_back(describe(row));
    for (const Row& row : expected)
        want.push_back(describe(row));
    EXPECT_EQ(got, want);
}

constexpr Removal N = Removal::Normal, K = Removal::NoRemove, F = Removal::ForceRemove;
#define CLSID_TEXT "{4F1E2A7C-93D5-5B08-B6E1-2C7D90A4F3B5}"
#define EXT "Software\\Microsoft\\Windows\\CurrentVersion\\Ext"

} // namespace

TEST(RegistryScriptTest, TheAppIdScriptGivesItsKeys) {
    expectRows(
        parseRegistryScript(fileText(KV_APPID_SCRIPT), replacements),
        {{"HKCR", "AppID", "-", nullptr, K},
         {"HKCR", "AppID\\{A3C9E571-2D84-4F6B-9E02-7B15D8C4A963}", "-", nullptr, N},
         {"HKCR", "AppID\\{A3C9E571-2D84-4F6B-9E02-7B15D8C4A963}", "", " s KestrovaHostWin", N},
         {"HKCR", "AppID\\npkestrova.dll", "-", nullptr, N},
         {"HKCR", "AppID\\npkestrova.dll", "AppID", " s {A3C9E571-2D84-4F6B-9E02-7B15D8C4A963}",
          N}});
}

TEST(RegistryScriptTest, TheControlScriptGivesEveryKeyAndValue) {
    const std::string cls = "CLSID\\" CLSID_TEXT;
    expectRows(
        parseRegistryScript(fileText(KV_CONTROL_SCRIPT), replacements),
        {{"HKCR", "Velmora.kestrova.1", "-", nullptr, N},
         {"HKCR", "Velmora.kestrova.1", "", " s Kestrova WEB Plugin", N},
         {"HKCR", "Velmora.kestrova.1\\CLSID", "-", nullptr, N},
         {"HKCR", "Velmora.kestrova.1\\CLSID", "", " s " CLSID_TEXT, N},
         {"HKCR", "Velmora.kestrova", "-", nullptr, N},
         {"HKCR", "Velmora.kestrova", "", " s Kestrova WEB Plugin", N},
         {"HKCR", "Velmora.kestrova\\CLSID", "-", nullptr, N},
         {"HKCR", "Velmora.kestrova\\CLSID", "", " s " CLSID_TEXT, N},
         {"HKCR", "Velmora.kestrova\\CurVer", "-", nullptr, N},
         {"HKCR", "Velmora.kestrova\\CurVer", "", " s Velmora.kestrova.1", N},
         {"HKCR", "CLSID", "-", nullptr, K},
         {"HKCR", "CLSID\\" CLSID_TEXT, "-", nullptr, F},
         {"HKCR", "CLSID\\" CLSID_TEXT, "", " s Kestrova WEB Plugin", F},
         {"HKCR", "CLSID\\" CLSID_TEXT, "AppID", " s {A3C9E571-2D84-4F6B-9E02-7B15D8C4A963}", F},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\ProgID", "-", nullptr, N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\ProgID", "", " s Velmora.kestrova.1", N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\VersionIndependentProgID", "-", nullptr, N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\VersionIndependentProgID", "", " s Velmora.kestrova", N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\Programmable", "-", nullptr, F},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\InprocServer32", "-", nullptr, N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\InprocServer32", "", " s C:\\plugins\\npkestrova.dll", N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\InprocServer32", "ThreadingModel", " s Apartment", N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\Control", "-", nullptr, F},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\MiscStatus", "-", nullptr, N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\MiscStatus", "", " s 0", N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\MiscStatus\\1", "-", nullptr, N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\MiscStatus\\1", "", " s 131473", N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\TypeLib", "-", nullptr, N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\TypeLib", "", " s {ED7C73D4-C715-4DF6-8AF7-6B7E95CDEC07}",
          N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\Version", "-", nullptr, N},
         {"HKCR", "CLSID\\" CLSID_TEXT "\\Version", "", " s 1", N},
         {"HKCR", "MIME", "-", nullptr, K},
         {"HKCR", "MIME\\Database", "-", nullptr, K},
         {"HKCR", "MIME\\Database\\Content Type", "-", nullptr, K},
         {"HKCR", "MIME\\Database\\Content Type\\application/x-kestrova", "-", nullptr, N},
         {"HKCR", "MIME\\Database\\Content Type\\application/x-kestrova", "",
          " s Kestrova WEB Plugin", N},
         {"HKCR", "MIME\\Database\\Content Type\\application/x-kestrova", "CLSID", " s " CLSID_TEXT,
          N},
         {"HKCR", "MIME\\Database\\Content Type\\application/x-kestrova", "Extension", " s ", N},
         {"HKCU", "Software", "-", nullptr, K},
         {"HKCU", "Software\\Microsoft", "-", nullptr, K},
         {"HKCU", "Software\\Microsoft\\Windows", "-", nullptr, K},
         {"HKCU", "Software\\Microsoft\\Windows\\CurrentVersion", "-", nullptr, K},
         {"HKCU", EXT, "-", nullptr, K},
         {"HKCU", EXT "\\PreApproved", "-", nullptr, N},
         {"HKCU", EXT "\\PreApproved\\" CLSID_TEXT, "-", nullptr, F},
         {"HKCU", EXT "\\Stats", "-", nullptr, N},
         {"HKCU", EXT "\\Stats\\" CLSID_TEXT, "-", nullptr, F},
         {"HKCU", EXT "\\Stats\\" CLSID_TEXT "\\iexplore", "-", nullptr, N},
         {"HKCU", EXT "\\Stats\\" CLSID_TEXT "\\iexplore", "Count", " d 0", N},
         {"HKCU", EXT "\\Stats\\" CLSID_TEXT "\\iexplore\\AllowedDomains", "-", nullptr, N},
         {"HKCU", EXT "\\Stats\\" CLSID_TEXT "\\iexplore\\AllowedDomains\\*", "-", nullptr, N},
         {"HKCU", "Software\\MozillaPlugins", "-", nullptr, K},
         {"HKCU", "Software\\MozillaPlugins\\velmora.com/kestrova", "-", nullptr, F},
         {"HKCU", "Software\\MozillaPlugins\\velmora.com/kestrova", "Path",
          " s C:\\plugins\\npkestrova.dll", F}});
}

TEST(RegistryScriptTest, PerUserMovesTheClassesKeysUnderTheUsersClasses) {
    const RegistryScript script =
        perUser(parseRegistryScript(fileText(KV_APPID_SCRIPT), replacements));
    const std::vector<RegistryRow> rows = registryRows(script);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(describe(rows[0]), "HKCU\\Software [-] 1");
    EXPECT_EQ(describe(rows[1]), "HKCU\\Software\\Classes [-] 1");
    EXPECT_EQ(describe(rows[2]), "HKCU\\Software\\Classes\\AppID [-] 1");
    EXPECT_EQ(describe(rows[6]), "HKCU\\Software\\Classes\\AppID\\npkestrova.dll [AppID] s "
                                 "{A3C9E571-2D84-4F6B-9E02-7B15D8C4A963} 0");
}

TEST(RegistryScriptTest, SyntaxDetails) {
    // Quote doubling, a literal percent sign, long root names, Delete and val NoRemove marks.
    const RegistryScript script = parseRegistryScript(
        "HKEY_CLASSES_ROOT { Delete 'old' 'it''s' = s '100%%' { val v = d '0x10' } }", {});
    const auto rows = registryRows(script);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].removal, Removal::Delete);
    EXPECT_EQ(rows[1].key, "it's");
    EXPECT_EQ(rows[2].value->text, "100%");
    EXPECT_EQ(rows[3].value->dword, 16u);
}

TEST(RegistryScriptTest, BadScriptsNameTheirLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"HKLM { }", "line 1: unknown root key HKLM"},
        {"HKCR {\n 'a' = s '%NOPE%' }", "line 2: no replacement for %NOPE%"},
        {"HKCR {\n 'a' = x 'b' }", "line 2: a value type (s or d) was expected"},
        {"HKCR { 'a' { 'b'", "'}' missing"},
        {"HKCR { 'a' = s 'open }", "quote not closed"},
        {"HKCR { 'a' = d 'ten' }", "not a number: ten"},
    };
    for (const auto& c : cases) {
        try {
            parseRegistryScript(c.text, {});
            ADD_FAILURE() << c.text << ": no error";
        } catch (const RegistryScriptError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.text << ": " << e.what();
        }
    }
}
