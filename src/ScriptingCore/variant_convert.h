#pragma once

// The conversion rules of variant::convert_to; included by variant.h.

#include <cmath>
#include <limits>
#include <locale>
#include <optional>
#include <sstream>

namespace FB::variant_detail {

template <class T, class... Ts> inline constexpr bool is_one_of = (std::is_same_v<T, Ts> || ...);

template <class T>
inline constexpr bool is_number_target =
    is_one_of<T, short, unsigned short, int, unsigned int, long, unsigned long, long long,
              unsigned long long, float, double>;

// Whether s lies in the range of T; a floating-point value is judged after truncation toward
// zero, as static_cast truncates.
template <class T, class S> bool fitsIn(S s) {
    if constexpr (std::is_floating_point_v<T>) {
        if constexpr (std::is_floating_point_v<S> && sizeof(S) > sizeof(T))
            return !std::isfinite(s) || std::fabs(s) <= std::numeric_limits<T>::max();
        else
            return true;
    } else if constexpr (std::is_floating_point_v<S>) {
        if (std::isnan(s))
            return false;
        // Powers of two up to 2^64 are exact in a double, so the bounds are too.
        const double truncated = std::trunc(static_cast<double>(s));
        const double limit = std::ldexp(1.0, std::numeric_limits<T>::digits);
        return truncated < limit && truncated >= (std::is_signed_v<T> ? -limit : 0.0);
    } else {
        if constexpr (std::is_signed_v<S>) {
            if (s < 0)
                return std::is_signed_v<T> &&
                       static_cast<long long>(s) >=
                           static_cast<long long>(std::numeric_limits<T>::min());
        }
        return static_cast<unsigned long long>(s) <=
               static_cast<unsigned long long>(std::numeric_limits<T>::max());
    }
}

template <class T, class S> bool numberFrom(const variant& v, T& out) {
    const S* source = v.get_if<S>();
    if (!source)
        return false;
    if (!fitsIn<T>(*source))
        throw bad_variant_cast(v.held_type(), typeid(T));
    out = static_cast<T>(*source);
    return true;
}

template <class T, class... S> bool numberFromAny(const variant& v, T& out) {
    return (numberFrom<T, S>(v, out) || ...);
}

// Reads a number as a formatted input stream does: leading blanks skipped, the rest after the
// number ignored. A minus sign is refused for unsigned targets, where the stream would wrap.
template <class T> bool parseNumber(const std::string& text, T& out) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    in >> std::ws;
    const bool negative = in.peek() == '-';
    in >> out;
    return !in.fail() && !(std::is_unsigned_v<T> && negative && out != 0);
}

// The held text as UTF-8, when the variant holds text; wide text that is not valid UTF-16
// counts as unconvertible.
bool textOf(const variant& v, std::string& out);

// The scripting object a variant refers to: null for empty, null and expired values; throws
// bad_variant_cast for values that are not objects.
JSAPIPtr scriptObjectOf(const variant& v);

// The plug-in object that a page object wraps, when the object is such a page object.
JSAPIPtr wrappedObjectOf(const JSAPIPtr& object);

template <class T> struct converter<T, std::enable_if_t<is_number_target<T>>> {
    static T convert(const variant& v) {
        T out{};
        if (numberFromAny<T, T, char, signed char, unsigned char, short, unsigned short, int,
                          unsigned int, long, unsigned long, long long, unsigned long long, float,
                          double, long double>(v, out))
            return out;
        if (const bool* flag = v.get_if<bool>())
            return *flag ? 1 : 0;
        std::string text;
        if (textOf(v, text) && parseNumber(text, out))
            return out;
        throw bad_variant_cast(v.held_type(), typeid(T));
    }
};

template <> struct converter<bool> { static bool convert(const variant& v); };

template <> struct converter<std::string> { static std::string convert(const variant& v); };

template <> struct converter<std::wstring> { static std::wstring convert(const variant& v); };

// The longest page array read as a list.
constexpr int maxPageArrayLength = 65536;

template <> struct converter<VariantList> { static VariantList convert(const variant& v); };

template <> struct converter<VariantMap> { static VariantMap convert(const variant& v); };

template <> struct converter<variant> {
    static variant convert(const variant& v) { return v; }
};

// Empty and null give no value; anything else must convert to T.
template <class T> struct converter<std::optional<T>> {
    static std::optional<T> convert(const variant& v) {
        if (v.is_empty() || v.is_null())
            return std::nullopt;
        return v.convert_to<T>();
    }
};

// A scripting object of class W. A page object that wraps one of our own objects stands for
// the wrapped object when that is a W.
template <class W>
struct converter<std::shared_ptr<W>, std::enable_if_t<std::is_base_of_v<JSAPI, W>>> {
    static std::shared_ptr<W> convert(const variant& v) {
        const JSAPIPtr object = scriptObjectOf(v);
        if (!object)
            return nullptr;
        if (const JSAPIPtr inner = wrappedObjectOf(object)) {
            if (auto wanted = std::dynamic_pointer_cast<W>(inner))
                return wanted;
        }
        if (auto wanted = std::dynamic_pointer_cast<W>(object))
            return wanted;
        throw bad_variant_cast(v.held_type(), typeid(std::shared_ptr<W>));
    }
};

// Every other type converts only from itself.
template <class T, class Enable> struct converter {
    static T convert(const variant& v) { return v.exact_cast<T>(); }
};

} // namespace FB::variant_detail
