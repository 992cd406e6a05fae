// The method argument conversions with hostile values: numbers out of every range, NaN and
// infinities, negative values for unsigned parameters, numbers as text, wide text that is not
// UTF-16, and lists and maps nested deep. Every conversion either gives a value or fails with
// bad_variant_cast, which the method dispatcher turns into the page's error.
#include "FuzzInput.h"
#include "JSAPI.h"
#include "JSObject.h"
#include "bad_variant_cast.h"
#include "variant.h"

#include <cstdint>
#include <optional>
#include <string>

namespace {

using FB::variant;

variant readVariant(FuzzInput& in) {
    switch (in.byte() % 21) {
    case 0:
        return variant();
    case 1:
        return variant(FB::variant_detail::null());
    case 2:
        return variant(static_cast<bool>(in.byte() & 1));
    case 3:
        return variant(in.raw<int>());
    case 4:
        return variant(in.raw<unsigned int>());
    case 5:
        return variant(in.raw<long long>());
    case 6:
        return variant(in.raw<unsigned long long>());
    case 7:
        return variant(in.raw<double>());
    case 8:
        return variant(in.raw<float>());
    case 9:
        return variant(static_cast<long double>(in.raw<double>()) * in.raw<std::int16_t>());
    case 10:
        return variant(in.text());
    case 11: {
        std::wstring wide;
        for (std::size_t n = in.byte(); n > 0 && !in.done(); --n)
            wide += static_cast<wchar_t>(in.raw<std::uint16_t>() | (in.byte() & 1 ? 0x10000 : 0));
        return variant(wide);
    }
    case 12:
        return variant(static_cast<char>(in.byte()));
    case 13:
        return variant(in.raw<short>());
    case 14:
        return variant(in.raw<unsigned short>());
    case 15:
        return variant(in.raw<unsigned char>());
    case 16:
        return variant(in.raw<signed char>());
    case 17:
        return variant(in.raw<long>());
    case 18:
        return variant(in.raw<unsigned long>());
    case 19: {
        FB::VariantList list;
        for (std::size_t n = in.byte(); n > 0 && !in.done(); --n)
            list.push_back(readVariant(in));
        return variant(list);
    }
    default: {
        FB::VariantMap map;
        for (std::size_t n = in.byte(); n > 0 && !in.done(); --n) {
            std::string key = in.text();
            map[key] = readVariant(in);
        }
        return variant(map);
    }
    }
}

template <class T> void convert(const variant& v) {
    try {
        v.convert_to<T>();
    } catch (const FB::bad_variant_cast&) {
    }
}

template <class... T> void convertToEach(const variant& v) {
    (convert<T>(v), ...);
}

void convertToAll(const variant& v) {
    convertToEach<short, unsigned short, int, unsigned int, long, unsigned long, long long,
                  unsigned long long, float, double, bool, std::string, std::wstring,
                  FB::VariantList, FB::VariantMap, std::optional<int>, std::optional<std::string>,
                  FB::JSAPIPtr, FB::JSObjectPtr>(v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    while (!in.done()) {
        // A value as a method's argument, and its items as a method given the list converts
        // them.
        const variant v = readVariant(in);
        convertToAll(v);
        if (const auto* list = v.get_if<FB::VariantList>())
            for (const variant& item : *list)
                convertToAll(item);
        if (const auto* map = v.get_if<FB::VariantMap>())
            for (const auto& [key, item] : *map)
                convertToAll(item);
    }
    return 0;
}
