#include "RegistryScript.h"

#include <cctype>
#include <cstdlib>

namespace FB::ActiveX {

namespace {

bool equalsNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && !b[i];
}

struct Token {
    enum Kind { Word, Quoted, Equals, Open, Close, End } kind;
    std::string text;
    int line;
};

class Parser {
public:
    Parser(const std::string& text, const Replacements& replacements)
        : m_text(text), m_replacements(replacements) {
        advance();
    }

    RegistryScript script() {
        RegistryScript roots;
        while (m_token.kind != Token::End) {
            RegistryRoot root;
            root.hive = hive(expectName());
            expect(Token::Open);
            while (m_token.kind != Token::Close)
                root.keys.push_back(key());
            advance();
            roots.push_back(std::move(root));
        }
        return roots;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw RegistryScriptError("registration script, line " + std::to_string(m_token.line) +
                                  ": " + what);
    }

    std::string hive(const std::string& name) const {
        if (equalsNoCase(name, "HKCR") || equalsNoCase(name, "HKEY_CLASSES_ROOT"))
            return "HKCR";
        if (equalsNoCase(name, "HKCU") || equalsNoCase(name, "HKEY_CURRENT_USER"))
            return "HKCU";
        fail("unknown root key " + name);
    }

    void expect(Token::Kind kind) {
        if (m_token.kind != kind)
            fail("unexpected '" + m_token.text + "'");
        advance();
    }

    bool isWord(const char* word) const {
        return m_token.kind == Token::Word && equalsNoCase(m_token.text, word);
    }

    std::string expectName() {
        if (m_token.kind != Token::Word && m_token.kind != Token::Quoted)
            fail("a name was expected, not '" + m_token.text + "'");
        std::string name = m_token.text;
        advance();
        return name;
    }

    RegistryValue value() {
        expect(Token::Equals);
        RegistryValue v;
        if (isWord("s")) {
            advance();
            v.text = expectQuoted();
        } else if (isWord("d")) {
            advance();
            const std::string text = expectQuoted();
            char* end = nullptr;
            const unsigned long number = std::strtoul(text.c_str(), &end, 0);
            if (*end)
                fail("not a number: " + text);
            v.type = RegistryValue::Type::Dword;
            v.dword = static_cast<std::uint32_t>(number); // '' counts as 0
        } else {
            fail("a value type (s or d) was expected");
        }
        return v;
    }

    std::string expectQuoted() {
        if (m_token.kind != Token::Quoted)
            fail("a quoted text was expected");
        std::string text = m_token.text;
        advance();
        return text;
    }

    RegistryKey key() {
        RegistryKey k;
        if (isWord("NoRemove")) {
            k.removal = Removal::NoRemove;
            advance();
        } else if (isWord("ForceRemove")) {
            k.removal = Removal::ForceRemove;
            advance();
        } else if (isWord("Delete")) {
            k.removal = Removal::Delete;
            advance();
        }
        k.name = expectName();
        if (m_token.kind == Token::Equals)
            k.defaultValue = value();
        if (m_token.kind != Token::Open)
            return k;
        advance();
        while (m_token.kind != Token::Close) {
            if (m_token.kind == Token::End)
                fail("'}' missing");
            if (isWord("val")) {
                advance();
                const std::string name = expectName();
                k.values[name] = value();
            } else {
                k.subkeys.push_back(key());
            }
        }
        advance();
        return k;
    }

    // Text between single quotes, with '' standing for one quote and %NAME% replaced.
    std::string quoted() {
        std::string text;
        for (;;) {
            if (m_at >= m_text.size())
                fail("quote not closed");
            const char c = m_text[m_at++];
            if (c == '\'') {
                if (m_at < m_text.size() && m_text[m_at] == '\'') {
                    text += '\'';
                    ++m_at;
                    continue;
                }
                return text;
            }
            if (c == '%') {
                const std::size_t end = m_text.find('%', m_at);
                if (end == std::string::npos)
                    fail("'%' not closed");
                const std::string name = m_text.substr(m_at, end - m_at);
                m_at = end + 1;
                if (name.empty()) {
                    text += '%';
                    continue;
                }
                const auto found = m_replacements.find(name);
                if (found == m_replacements.end())
                    fail("no replacement for %" + name + "%");
                text += found->second;
                continue;
            }
            if (c == '\n')
                ++m_line;
            text += c;
        }
    }

    void advance() {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at]))) {
            if (m_text[m_at] == '\n')
                ++m_line;
            ++m_at;
        }
        m_token.line = m_line;
        if (m_at >= m_text.size()) {
            m_token = {Token::End, "end of script", m_line};
            return;
        }
        const char c = m_text[m_at];
        if (c == '{' || c == '}' || c == '=') {
            ++m_at;
            m_token = {c == '{'   ? Token::Open
                       : c == '}' ? Token::Close
                                  : Token::Equals,
                       std::string(1, c), m_line};
            return;
        }
        if (c == '\'') {
            ++m_at;
            const int line = m_line;
            m_token = {Token::Quoted, quoted(), line};
            return;
        }
        const std::size_t start = m_at;
        while (m_at < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_at])) &&
               m_text[m_at] != '{' && m_text[m_at] != '}' && m_text[m_at] != '=' &&
               m_text[m_at] != '\'')
            ++m_at;
        m_token = {Token::Word, m_text.substr(start, m_at - start), m_line};
    }

    const std::string& m_text;
    const Replacements& m_replacements;
    std::size_t m_at = 0;
    int m_line = 1;
    Token m_token{Token::End, "", 1};
};

void addRows(std::vector<RegistryRow>& rows, const std::string& hive, const std::string& parent,
             const RegistryKey& key) {
    const std::string path = parent.empty() ? key.name : parent + "\\" + key.name;
    rows.push_back({hive, path, std::nullopt, std::nullopt, key.removal});
    if (key.defaultValue)
        rows.push_back({hive, path, std::string(), key.defaultValue, key.removal});
    for (const auto& [name, value] : key.values)
        rows.push_back({hive, path, name, value, key.removal});
    for (const RegistryKey& subkey : key.subkeys)
        addRows(rows, hive, path, subkey);
}

} // namespace

RegistryScript parseRegistryScript(const std::string& text, const Replacements& replacements) {
    return Parser(text, replacements).script();
}

RegistryScript perUser(const RegistryScript& script) {
    RegistryScript result;
    for (const RegistryRoot& root : script) {
        if (root.hive != "HKCR") {
            result.push_back(root);
            continue;
        }
        RegistryKey classes;
        classes.name = "Classes";
        classes.removal = Removal::NoRemove;
        classes.subkeys = root.keys;
        RegistryKey software;
        software.name = "Software";
        software.removal = Removal::NoRemove;
        software.subkeys.push_back(std::move(classes));
        result.push_back({"HKCU", {std::move(software)}});
    }
    return result;
}

std::vector<RegistryRow> registryRows(const RegistryScript& script) {
    std::vector<RegistryRow> rows;
    for (const RegistryRoot& root : script) {
        for (const RegistryKey& key : root.keys)
            addRows(rows, root.hive, "", key);
    }
    return rows;
}

} // namespace FB::ActiveX
