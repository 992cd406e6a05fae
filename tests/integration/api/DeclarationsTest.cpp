// The declarations that page developers compile against (web/kestrova.d.ts) describe exactly
// the members of the scripting object: none missing, none left over.
#include "ApiFixture.h"
#include "JSAPIAuto.h"

#include <gmock/gmock.h>

#include <cctype>
#include <set>
#include <sstream>
#include <string>

namespace {

#include "PluginDeclarations.inc"

// The members of `export interface KestrovaPlugin`: its lines indented by two blanks that
// start a method ("name(") or a property ("readonly name:").
std::set<std::string> declaredMembers() {
    const std::string text = kvDeclarations;
    const std::string opening = "export interface KestrovaPlugin {\n";
    const std::size_t begin = text.find(opening);
    const std::size_t end = text.find("\n}", begin);
    EXPECT_NE(begin, std::string::npos) << "no interface KestrovaPlugin";
    std::set<std::string> members;
    if (begin == std::string::npos || end == std::string::npos)
        return members;
    std::istringstream lines(text.substr(begin + opening.size(), end - begin - opening.size()));
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 3 || line.compare(0, 2, "  ") != 0 || !std::isalpha(line[2]))
            continue;
        std::string rest = line.substr(2);
        if (rest.compare(0, 9, "readonly ") == 0)
            rest = rest.substr(9);
        const std::size_t stop = rest.find_first_of("(:");
        if (stop != std::string::npos)
            members.insert(rest.substr(0, stop));
    }
    return members;
}

class DeclarationsTest : public ApiFixture {};

TEST_F(DeclarationsTest, EveryMemberOfTheScriptingObjectIsDeclaredForPages) {
    createPlugin();
    std::vector<std::string> builtIn;
    FB::JSAPIAuto().GetMemberNames(builtIn);
    std::vector<std::string> names;
    api->GetMemberNames(names);
    std::set<std::string> own(names.begin(), names.end());
    for (const std::string& name : builtIn)
        own.erase(name);
    EXPECT_EQ(declaredMembers(), own);
}

} // namespace
