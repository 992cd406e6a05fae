#include "MoCatalog.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

constexpr std::uint32_t magic = 0x950412de;

class Reader {
public:
    Reader(const void* bytes, std::size_t size)
        : m_bytes(static_cast<const unsigned char*>(bytes)), m_size(size) {}

    std::optional<std::uint32_t> word(std::size_t offset) const {
        if (offset > m_size || m_size - offset < 4)
            return std::nullopt;
        const unsigned char* p = m_bytes + offset;
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    }

    // Entry index of a string table: its length and offset, the string ended by a zero byte.
    std::optional<std::string_view> string(std::uint32_t table, std::uint32_t index) const {
        const std::size_t entry = std::size_t(table) + std::size_t(index) * 8;
        const auto length = word(entry), offset = word(entry + 4);
        if (!length || !offset || *offset > m_size || m_size - *offset <= *length ||
            m_bytes[*offset + *length] != 0)
            return std::nullopt;
        return std::string_view(reinterpret_cast<const char*>(m_bytes + *offset), *length);
    }

private:
    const unsigned char* m_bytes;
    std::size_t m_size;
};

} // namespace

MoCatalog::MoCatalog(const void* bytes, std::size_t size) {
    const Reader reader(bytes, size);
    const auto count = reader.word(8), originals = reader.word(12), translations = reader.word(16);
    if (reader.word(0) != magic || !count || !originals || !translations)
        return;
    std::unordered_map<std::string, std::string> texts;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto english = reader.string(*originals, i);
        const auto translation = reader.string(*translations, i);
        if (!english || !translation)
            return;
        // The empty key holds the catalog's header, not a text; an empty translation means none.
        if (!english->empty() && !translation->empty())
            texts.emplace(*english, *translation);
    }
    m_texts.swap(texts);
}

const std::string* MoCatalog::find(const std::string& english) const {
    const auto found = m_texts.find(english);
    return found == m_texts.end() ? nullptr : &found->second;
}
