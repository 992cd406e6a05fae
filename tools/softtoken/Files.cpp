#include "Files.h"

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

namespace softtoken {

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec)
            return std::nullopt;
        throw std::system_error(ec ? ec : std::make_error_code(std::errc::io_error),
                                "cannot read " + path.u8string());
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw std::system_error(std::make_error_code(std::errc::io_error),
                                "cannot read " + path.u8string());
    return content.str();
}

std::filesystem::path stateDirectory() {
    if (auto dir = environmentVariable("KVSOFTTOKEN_DIR"); dir && !dir->empty())
        return std::filesystem::u8path(*dir);
    for (const char* name : {"HOME", "USERPROFILE"})
        if (auto home = environmentVariable(name); home && !home->empty())
            return std::filesystem::u8path(*home) / ".kvsofttoken";
    return std::filesystem::u8path(".kvsofttoken");
}

} // namespace softtoken
