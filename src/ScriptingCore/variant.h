#pragma once

#include "APITypes.h"
#include "bad_variant_cast.h"

#include <any>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>

namespace FB {

namespace variant_detail {

// The script's undefined.
struct empty {
    bool operator<(const empty&) const { return false; }
};

// The script's null.
struct null {
    bool operator<(const null&) const { return false; }
};

template <class T, class = void> struct has_less : std::false_type {};
template <class T>
struct has_less<T, std::void_t<decltype(std::declval<const T&>() < std::declval<const T&>())>>
    : std::true_type {};

// Ordering of two values of the held type T; types without one are all equivalent.
template <class T> bool lessThan(const std::any& a, const std::any& b) {
    if constexpr (has_less<T>::value)
        return *std::any_cast<T>(&a) < *std::any_cast<T>(&b);
    else
        return false;
}

template <class T>
inline constexpr bool is_text_pointer =
    std::is_same_v<T, char*> || std::is_same_v<T, const char*> || std::is_same_v<T, wchar_t*> ||
    std::is_same_v<T, const wchar_t*>;

// Rules of variant::convert_to, one per kind of target (variant_convert.h).
template <class T, class Enable = void> struct converter;

} // namespace variant_detail

// One script value of any copyable type.
class variant {
public:
    variant() = default;
    variant(const char* text) : variant(std::string(text)) {}
    variant(const wchar_t* text) : variant(std::wstring(text)) {}

    template <class T, class = std::enable_if_t<!std::is_same_v<std::decay_t<T>, variant> &&
                                                !variant_detail::is_text_pointer<std::decay_t<T>>>>
    variant(const T& value) {
        store(value);
    }

    // True without a value and for the script's undefined.
    bool is_empty() const { return !m_value.has_value() || holds<variant_detail::empty>(); }
    bool is_null() const { return holds<variant_detail::null>(); }

    // typeid(void) when there is no value.
    const std::type_info& held_type() const { return m_value.type(); }
    template <class T> bool holds() const { return held_type() == typeid(T); }

    // The held value when it is exactly a T, else nullptr.
    template <class T> const T* get_if() const noexcept { return std::any_cast<T>(&m_value); }

    // The held value without any conversion; throws bad_variant_cast for any other type.
    template <class T> T exact_cast() const {
        if (const T* value = get_if<T>())
            return *value;
        throw bad_variant_cast(held_type(), typeid(T));
    }

    // The held value converted by the rules of its target type; throws bad_variant_cast.
    template <class T> T convert_to() const { return variant_detail::converter<T>::convert(*this); }

    template <class T> bool can_convert_to() const {
        if (holds<T>())
            return true;
        try {
            convert_to<T>();
            return true;
        } catch (...) {
            return false;
        }
    }

    void reset() {
        m_value.reset();
        m_less = nullptr;
    }

    // Values of one type compare by that type's ordering, values of different types by type.
    friend bool operator<(const variant& a, const variant& b) {
        if (a.held_type() != b.held_type())
            return a.held_type().before(b.held_type());
        return a.m_less && a.m_less(a.m_value, b.m_value);
    }

private:
    template <class T> void storeAs(const T& value) {
        m_value = value;
        m_less = &variant_detail::lessThan<T>;
    }

    template <class T> void store(const T& value) { storeAs(value); }

    // Scripting objects are held as FB::JSAPI or FB::JSObject pointers whatever their class,
    // since that is what the browser bridges recognise.
    template <class W> void store(const std::shared_ptr<W>& object) {
        if constexpr (std::is_same_v<W, JSAPI> || std::is_same_v<W, JSObject>)
            storeAs(object);
        else if constexpr (std::is_base_of_v<JSObject, W>)
            storeAs(JSObjectPtr(object));
        else if constexpr (std::is_base_of_v<JSAPI, W>)
            storeAs(JSAPIPtr(object));
        else
            storeAs(object);
    }

    std::any m_value;
    bool (*m_less)(const std::any&, const std::any&) = nullptr;
};

} // namespace FB

#include "variant_convert.h"
