#include "Messages.h"

#include <clocale>
#include <filesystem>
#include <libintl.h>
#include <system_error>

namespace {

constexpr const char* domain = "kestrova-gui";

// Catalogs beside the program (a build tree, or a plug-in folder that carries its own) win over
// the installed ones.
std::string catalogFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path beside = program.parent_path() / "locale";
        if (std::filesystem::is_directory(beside, error))
            return beside.string();
    }
    return KV_LOCALE_DIR;
}

} // namespace

void chooseLanguage() {
    std::setlocale(LC_ALL, "");
    bindtextdomain(domain, catalogFolder().c_str());
    // pinentry takes UTF-8 whatever the locale's own character set.
    bind_textdomain_codeset(domain, "UTF-8");
}

std::string translate(const char* english) {
    return dgettext(domain, english);
}
