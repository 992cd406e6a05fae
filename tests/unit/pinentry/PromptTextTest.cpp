// What a page may put into the PIN dialog, and what is left of it.
#include "PromptText.h"

#include <gtest/gtest.h>

namespace {

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

struct ShownCase {
    const char* name;
    std::string text;
    std::string shown;
};

const std::string ellipsis = "\xE2\x80\xA6";

const ShownCase shownCases[] = {
    {"plain", "work - key", "work - key"},
    {"Cyrillic kept", "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87", "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87"},
    {"empty", "", ""},
    // The spoof seen through the extension: a second line naming another site, then padding
    // meant to push the real site past the dialog's cut.
    {"spoofed site line",
     "Main key\".\nRequested by https://bank.example.\n" + repeat("\xE2\x80\x83", 320),
     "Main key\". Requested by https://bank.example."},
    {"line breaks of every kind",
     "a\r\nb\vc\fd\xC2\x85"
     "e\xE2\x80\xA8"
     "f\xE2\x80\xA9g",
     "a b c d e f g"},
    {"tabs and runs of spaces",
     "a\t\t b\xC2\xA0\xE3\x80\x80"
     "c",
     "a b c"},
    {"blanks at the ends", "  \n box \xE2\x80\x83", "box"},
    {"unit separator", "x\x1fhttps://bank.example", "xhttps://bank.example"},
    {"C0 and C1 controls",
     "a\x01\x1b[31mb\x7f\xC2\x9B"
     "c",
     "a[31mbc"},
    {"bidirectional overrides",
     "\xE2\x80\xAE"
     "elpmaxe.knab\xE2\x80\xAC",
     "elpmaxe.knab"},
    {"bidirectional isolates and marks",
     "a\xE2\x81\xA6"
     "b\xE2\x81\xA7"
     "c\xE2\x81\xA8"
     "d\xE2\x81\xA9"
     "e\xE2\x80\x8E"
     "f\xE2\x80\x8F"
     "g\xD8\x9C"
     "h",
     "abcdefgh"},
    {"zero-width characters",
     "a\xE2\x80\x8B"
     "b\xE2\x80\x8C"
     "c\xE2\x80\x8D"
     "d\xE2\x81\xA0"
     "e\xEF\xBB\xBF"
     "f\xC2\xAD"
     "g",
     "abcdefg"},
    {"invalid UTF-8",
     "a\xFF"
     "b\xC0\xAF"
     "c\xED\xA0\x80"
     "d\xE2\x82",
     "a\xEF\xBF\xBD"
     "b\xEF\xBF\xBD"
     "c\xEF\xBF\xBD"
     "d\xEF\xBF\xBD"},
    {"at the limit", repeat("k", 64), repeat("k", 64)},
    {"one past the limit", repeat("k", 65), repeat("k", 63) + ellipsis},
    {"cut counts characters, not bytes", repeat("\xD0\xAF", 100),
     repeat("\xD0\xAF", 63) + ellipsis},
    {"no blank before the ellipsis", repeat("k", 62) + " tail", repeat("k", 62) + ellipsis},
    {"hidden characters do not count", repeat("k\xE2\x80\x8B", 64), repeat("k", 64)},
};

} // namespace

TEST(PromptText, PageTextBecomesOneShortVisibleLine) {
    for (const ShownCase& c : shownCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cleanShownText(c.text), c.shown);
    }
}

TEST(PromptText, SiteIsCleanedButNeverCut) {
    EXPECT_EQ(cleanSite("https://shop.example"), "https://shop.example");
    EXPECT_EQ(cleanSite("https://shop.example\n\xE2\x80\xAE"), "https://shop.example");
    const std::string longSite = "https://" + repeat("a", 250) + ".example";
    EXPECT_EQ(cleanSite(longSite), longSite);
}
