#pragma once

#include <string>
#include <unordered_map>

// A compiled GNU message catalog (the .mo file that msgfmt writes), read where the system has
// no gettext of its own. Holds the translations by their English text.
class MoCatalog {
public:
    // Reads the catalog's bytes; a file that is not a whole little-endian catalog gives an empty
    // one, so every text stays English.
    MoCatalog(const void* bytes, std::size_t size);

    // The translation, or null when the catalog has none.
    const std::string* find(const std::string& english) const;

private:
    std::unordered_map<std::string, std::string> m_texts;
};
