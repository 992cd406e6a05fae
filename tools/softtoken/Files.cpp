#include "Files.h"

namespace softtoken {

std::filesystem::path stateDirectory() {
    if (auto dir = environmentVariable("KVSOFTTOKEN_DIR"); dir && !dir->empty())
        return std::filesystem::u8path(*dir);
    for (const char* name : {"HOME", "USERPROFILE"})
        if (auto home = environmentVariable(name); home && !home->empty())
            return std::filesystem::u8path(*home) / ".kvsofttoken";
    return std::filesystem::u8path(".kvsofttoken");
}

} // namespace softtoken
