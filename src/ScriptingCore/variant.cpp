#include "variant.h"

#include "JSObject.h"
#include "Utf.h"

#include <algorithm>
#include <cwctype>

namespace FB::variant_detail {

namespace {

template <class Char> bool isTrueWord(const std::basic_string<Char>& lowered) {
    static const char* const words[] = {"y", "1", "yes", "true", "t"};
    return std::any_of(std::begin(words), std::end(words), [&](const char* word) {
        return std::equal(lowered.begin(), lowered.end(), word,
                          word + std::char_traits<char>::length(word));
    });
}

template <class S> bool writeNumber(const variant& v, std::string& out) {
    const S* number = v.get_if<S>();
    if (!number)
        return false;
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << *number;
    if (text.fail())
        throw bad_variant_cast(v.held_type(), typeid(std::string));
    out = text.str();
    return true;
}

template <class... S> bool writeAnyNumber(const variant& v, std::string& out) {
    return (writeNumber<S>(v, out) || ...);
}

// The page object behind a value, for reading it as an array or a map.
JSObjectPtr pageObjectOf(const variant& v) {
    JSObjectPtr object;
    if (v.can_convert_to<JSObjectPtr>())
        object = v.convert_to<JSObjectPtr>();
    if (!object)
        throw bad_variant_cast(v.held_type(), typeid(JSObjectPtr));
    return object;
}

} // namespace

bool textOf(const variant& v, std::string& out) {
    if (const std::string* text = v.get_if<std::string>()) {
        out = *text;
        return true;
    }
    if (const std::wstring* wide = v.get_if<std::wstring>()) {
        try {
            out = wideToUtf8(*wide);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    return false;
}

JSAPIPtr scriptObjectOf(const variant& v) {
    if (v.is_empty() || v.is_null())
        return nullptr;
    if (const JSObjectPtr* page = v.get_if<JSObjectPtr>())
        return *page;
    if (const JSAPIWeakPtr* weak = v.get_if<JSAPIWeakPtr>())
        return weak->lock();
    if (const JSAPIPtr* object = v.get_if<JSAPIPtr>())
        return *object;
    throw bad_variant_cast(v.held_type(), typeid(JSAPIPtr));
}

JSAPIPtr wrappedObjectOf(const JSAPIPtr& object) {
    const auto page = std::dynamic_pointer_cast<JSObject>(object);
    return page ? page->GetJSAPI() : nullptr;
}

bool converter<bool>::convert(const variant& v) {
    if (const bool* flag = v.get_if<bool>())
        return *flag;
    if (const std::string* text = v.get_if<std::string>()) {
        std::string lowered(*text);
        for (char& c : lowered)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return isTrueWord(lowered);
    }
    if (const std::wstring* text = v.get_if<std::wstring>()) {
        std::wstring lowered(*text);
        for (wchar_t& c : lowered)
            c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
        return isTrueWord(lowered);
    }
    try {
        return v.convert_to<long>() != 0;
    } catch (const bad_variant_cast&) {
        throw bad_variant_cast(v.held_type(), typeid(bool));
    }
}

std::string converter<std::string>::convert(const variant& v) {
    std::string out;
    if (const std::string* text = v.get_if<std::string>())
        return *text;
    if (writeAnyNumber<double, float, int, unsigned int, long, unsigned long, short, unsigned short,
                       long long, unsigned long long>(v, out))
        return out;
    if (const bool* flag = v.get_if<bool>())
        return *flag ? "true" : "false";
    if (textOf(v, out))
        return out;
    if (const char* c = v.get_if<char>())
        return std::string(1, *c);
    if (const unsigned char* c = v.get_if<unsigned char>())
        return std::string(1, static_cast<char>(*c));
    throw bad_variant_cast(v.held_type(), typeid(std::string));
}

std::wstring converter<std::wstring>::convert(const variant& v) {
    if (const std::wstring* text = v.get_if<std::wstring>())
        return *text;
    try {
        return utf8ToWide(v.convert_to<std::string>());
    } catch (const std::exception&) {
        throw bad_variant_cast(v.held_type(), typeid(std::wstring));
    }
}

VariantList converter<VariantList>::convert(const variant& v) {
    if (const VariantList* list = v.get_if<VariantList>())
        return *list;
    const JSObjectPtr array = pageObjectOf(v);
    const int length = array->GetProperty("length").convert_to<int>();
    // A page may set any length on any object; reading that many elements would hold the
    // browser's thread and exhaust its memory. No list we take is anywhere near the limit of
    // the browsers' own argument lists.
    if (length > maxPageArrayLength)
        throw bad_variant_cast(v.held_type(), typeid(VariantList));
    VariantList out;
    for (int i = 0; i < length; ++i)
        out.push_back(array->GetProperty(i));
    return out;
}

VariantMap converter<VariantMap>::convert(const variant& v) {
    if (const VariantMap* map = v.get_if<VariantMap>())
        return *map;
    const JSObjectPtr object = pageObjectOf(v);
    std::vector<std::string> names;
    object->GetMemberNames(names);
    VariantMap out;
    for (const std::string& name : names)
        out[name] = object->GetProperty(name);
    return out;
}

} // namespace FB::variant_detail
