// The compiled message catalog as the Windows Gui.bin reads it from its resources.
#include "MoCatalog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string catalogBytes() {
    std::ifstream file(KV_GUI_CATALOG, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

TEST(MoCatalog, FindsTheTranslationsOfTheRussianCatalog) {
    const std::string bytes = catalogBytes();
    ASSERT_FALSE(bytes.empty());
    const MoCatalog catalog(bytes.data(), bytes.size());
    const std::pair<const char*, const char*> cases[] = {
        {"PIN:", "PIN-код:"},
        {"Cancel", "Отмена"},
        {"Requested by %s.", "Запрос от %s."},
    };
    for (const auto& [english, russian] : cases) {
        const std::string* found = catalog.find(english);
        ASSERT_NE(found, nullptr) << english;
        EXPECT_EQ(*found, russian);
    }
    // The header is not a text, and a text without a translation stays English.
    EXPECT_EQ(catalog.find(""), nullptr);
    EXPECT_EQ(catalog.find("Kestrova"), nullptr);
}

TEST(MoCatalog, DamagedCatalogGivesNoTranslations) {
    const std::string bytes = catalogBytes();
    // Every cut short copy: its tables or strings run past the end, so nothing is read.
    for (std::size_t size = 0; size < bytes.size(); ++size)
        EXPECT_EQ(MoCatalog(bytes.data(), size).find("PIN:"), nullptr) << size;
    // A wrong magic number, and offsets far beyond the end.
    std::string wrongMagic = bytes;
    wrongMagic[0] = 0;
    EXPECT_EQ(MoCatalog(wrongMagic.data(), wrongMagic.size()).find("PIN:"), nullptr);
    std::string farOffsets = bytes;
    for (std::size_t i = 12; i < 20; ++i)
        farOffsets[i] = '\xff';
    EXPECT_EQ(MoCatalog(farOffsets.data(), farOffsets.size()).find("PIN:"), nullptr);
}
