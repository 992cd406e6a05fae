#include "Messages.h"

#include "MoCatalog.h"

#include <memory>
#include <windows.h>

namespace {

std::unique_ptr<MoCatalog> catalog;

// The catalog of the user's interface language, built into the program as a resource named
// after the language's two-letter code (RU), or null when there is none.
std::unique_ptr<MoCatalog> userCatalog() {
    wchar_t language[16] = {};
    const LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    if (!GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, language, 16))
        return nullptr;
    const HRSRC resource = FindResourceW(nullptr, language, L"KVCATALOG");
    const HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return nullptr;
    return std::make_unique<MoCatalog>(bytes, SizeofResource(nullptr, resource));
}

} // namespace

void chooseLanguage() {
    catalog = userCatalog();
}

std::string translate(const char* english) {
    const std::string* text = catalog ? catalog->find(english) : nullptr;
    return text ? *text : english;
}
