// The configuration file as the tool writes it back: what was read is read again unchanged.
#include "Config.h"

#include <gtest/gtest.h>

namespace {

TEST(ConfigFile, ValuesStartingWithAHashSurviveWritingBack) {
    // "key =#x" is a value, "key = #x" a comment: the writer must keep the first form.
    const char* const texts[] = {
        "[slot]\nlabel =#1\nserial = S1\npin =#pin\n",
        "[fault]\nfunction =#\n",
        "[adapter]\nmodule =#lib.so\nenv =#A=1\n",
    };
    for (const char* text : texts) {
        const softtoken::Config config = softtoken::parseConfig(text);
        const std::string written = softtoken::formatConfig(config);
        EXPECT_EQ(softtoken::formatConfig(softtoken::parseConfig(written)), written) << text;
    }
    const auto slot =
        softtoken::parseConfig(softtoken::formatConfig(softtoken::parseConfig(texts[0])))
            .slots.at(0);
    EXPECT_EQ(slot.label, "#1");
    EXPECT_EQ(slot.pin, "#pin");
}

} // namespace
