#include "bad_variant_cast.h"

#include "variant.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace FB {

namespace {

std::string demangled(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}

void replaceAll(std::string& text, const std::string& what, const std::string& with) {
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

} // namespace

std::string readableTypeName(const std::type_info& type) {
    // Longest spellings first: the map's full name contains the string's.
    static const std::pair<std::string, std::string> shortNames[] = {
        {demangled(typeid(VariantMap)), "FB::VariantMap"},
        {demangled(typeid(VariantList)), "FB::VariantList"},
        {demangled(typeid(std::wstring)), "std::wstring"},
        {demangled(typeid(std::string)), "std::string"},
    };
    std::string name = demangled(type);
    for (const auto& [longName, shortName] : shortNames)
        replaceAll(name, longName, shortName);
    return name;
}

bad_variant_cast::bad_variant_cast(const std::type_info& from, const std::type_info& to)
    : from(readableTypeName(from)), to(readableTypeName(to)) {}

} // namespace FB
