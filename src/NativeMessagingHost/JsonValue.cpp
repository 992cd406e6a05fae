#include "JsonValue.h"

#include "PageFunction.h"
#include "Utf.h"
#include "script_error.h"

#include <limits>
#include <map>
#include <string>
#include <typeindex>

namespace FB::NativeMessaging {

namespace {

using Translation = std::function<Json(const variant&)>;

template <class T> Translation asNumber() {
    return [](const variant& v) { return Json(*v.get_if<T>()); };
}

template <class T> Translation asDecimal() {
    return [](const variant& v) { return Json(std::to_string(*v.get_if<T>())); };
}

Json pageObject(const JSObjectPtr& object) {
    if (!object)
        return nullptr;
    if (const auto function = std::dynamic_pointer_cast<PageFunction>(object))
        return Json{{"$fn", function->Id()}};
    throw script_error("This page object cannot be passed to the page");
}

template <class T> void add(std::map<std::type_index, Translation>& table, Translation t) {
    table.emplace(std::type_index(typeid(T)), std::move(t));
}

const std::map<std::type_index, Translation>& translations() {
    static const std::map<std::type_index, Translation> table = [] {
        std::map<std::type_index, Translation> t;
        add<bool>(t, asNumber<bool>());
        add<char>(t, [](const variant& v) { return Json(static_cast<int>(*v.get_if<char>())); });
        add<unsigned char>(t, asNumber<unsigned char>());
        add<short>(t, asNumber<short>());
        add<unsigned short>(t, asNumber<unsigned short>());
        add<int>(t, asNumber<int>());
        add<long>(t, asNumber<long>());
        add<unsigned int>(t, asDecimal<unsigned int>());
        add<unsigned long>(t, asDecimal<unsigned long>());
        add<long long>(t, asDecimal<long long>());
        add<unsigned long long>(t, asDecimal<unsigned long long>());
        add<float>(t, asNumber<float>());
        add<double>(t, asNumber<double>());
        add<std::string>(t, asNumber<std::string>());
        add<std::wstring>(
            t, [](const variant& v) { return Json(wideToUtf8(*v.get_if<std::wstring>())); });
        add<variant_detail::null>(t, [](const variant&) { return Json(nullptr); });
        add<variant_detail::empty>(t, [](const variant&) { return Json{{"$undefined", true}}; });
        add<VariantList>(t, [](const variant& v) {
            Json array = Json::array();
            for (const variant& item : *v.get_if<VariantList>())
                array.push_back(toJson(item));
            return array;
        });
        add<VariantMap>(t, [](const variant& v) {
            Json members = Json::object();
            for (const auto& [name, item] : *v.get_if<VariantMap>())
                members[name] = toJson(item);
            return Json{{"$map", members}};
        });
        add<JSObjectPtr>(t, [](const variant& v) { return pageObject(*v.get_if<JSObjectPtr>()); });
        add<JSAPIPtr>(t, [](const variant&) -> Json {
            throw script_error("A plug-in object cannot be passed to the page");
        });
        add<JSAPIWeakPtr>(t, [](const variant&) -> Json {
            throw script_error("A plug-in object cannot be passed to the page");
        });
        return t;
    }();
    return table;
}

variant integer(std::int64_t value) {
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
        return variant(static_cast<int>(value));
    return variant(static_cast<double>(value));
}

// Values nest no deeper than this: the translation recurses, and a message of up to 64 MB
// could otherwise nest deep enough to exhaust the host's stack.
constexpr int maxDepth = 64;

variant fromJson(const Json& value, const FunctionMaker& makeFunction, int depth);

variant tagged(const Json& object, const FunctionMaker& makeFunction, int depth) {
    if (object.size() != 1)
        throw invalid_arguments("Unknown value object of " + std::to_string(object.size()) +
                                " members");
    const std::string& tag = object.begin().key();
    const Json& value = object.begin().value();
    if (tag == "$fn" && value.is_number_integer())
        return variant(makeFunction(value.get<std::int64_t>()));
    if (tag == "$undefined" && value == true)
        return variant();
    if (tag == "$map" && value.is_object()) {
        VariantMap members;
        for (const auto& [name, item] : value.items())
            members[name] = fromJson(item, makeFunction, depth + 1);
        return variant(members);
    }
    // The member's name only: its value may nest arbitrarily deep.
    throw invalid_arguments("Unknown value object {\"" + tag + "\": ...}");
}

variant fromJson(const Json& value, const FunctionMaker& makeFunction, int depth) {
    if (depth >= maxDepth)
        throw invalid_arguments("Values nested deeper than " + std::to_string(maxDepth) +
                                " levels are refused");
    switch (value.type()) {
    case Json::value_t::null:
        return variant(variant_detail::null());
    case Json::value_t::boolean:
        return variant(value.get<bool>());
    case Json::value_t::number_integer:
        return integer(value.get<std::int64_t>());
    case Json::value_t::number_unsigned: {
        const auto number = value.get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
            return variant(static_cast<int>(number));
        return variant(static_cast<double>(number));
    }
    case Json::value_t::number_float:
        return variant(value.get<double>());
    case Json::value_t::string:
        return variant(value.get<std::string>());
    case Json::value_t::array: {
        VariantList items;
        for (const Json& item : value)
            items.push_back(fromJson(item, makeFunction, depth + 1));
        return variant(items);
    }
    case Json::value_t::object:
        return tagged(value, makeFunction, depth);
    default:
        throw invalid_arguments("Unknown value " + value.dump());
    }
}

} // namespace

variant fromJson(const Json& value, const FunctionMaker& makeFunction) {
    return fromJson(value, makeFunction, 0);
}

Json toJson(const variant& value) {
    if (value.is_empty())
        return Json{{"$undefined", true}};
    const auto found = translations().find(std::type_index(value.held_type()));
    if (found == translations().end())
        throw script_error("This value cannot be passed to the page");
    return found->second(value);
}

} // namespace FB::NativeMessaging
