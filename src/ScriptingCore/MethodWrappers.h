#pragma once

#include "SecureWipe.h"
#include "script_error.h"
#include "variant.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace FB {

// A registered method: takes the script's argument list, returns the result.
using CallMethodFunctor = std::function<variant(const VariantList&)>;

namespace detail::methods {

template <class T> struct is_optional : std::false_type {};
template <class T> struct is_optional<std::optional<T>> : std::true_type {};

// A page's text may be a secret (a PIN, a key), so the converted copies of the arguments are
// wiped once the member has run, however it ended.
inline void wipeText(std::string& text) noexcept {
    secureWipe(text);
}
template <class T> void wipeText(T&) noexcept {}
template <class T> void wipeText(std::optional<T>& value) noexcept {
    if (value)
        wipeText(*value);
}

template <class Values> class WipeTexts {
public:
    explicit WipeTexts(Values& values) : m_values(values) {}
    ~WipeTexts() {
        std::apply([](auto&... value) { (wipeText(value), ...); }, m_values);
    }
    WipeTexts(const WipeTexts&) = delete;
    WipeTexts& operator=(const WipeTexts&) = delete;

private:
    Values& m_values;
};

// The argument at position (counted from 1) converted to T; a missing optional one is none.
template <class T> T convertArgument(const VariantList& in, std::size_t position) {
    if (position > in.size()) {
        if constexpr (is_optional<T>::value)
            return T();
        else
            throw invalid_arguments("Error: Argument " + std::to_string(position) +
                                    "is not optional.");
    }
    try {
        return in[position - 1].convert_to<T>();
    } catch (const bad_variant_cast& e) {
        throw invalid_arguments("Invalid argument conversion from " + e.from + " to " + e.to +
                                " at index " + std::to_string(position));
    }
}

// Calls a member function with the script's arguments converted to its parameter types. The
// arguments are converted from the last to the first, so the first error a page sees
// concerns the highest wrong position.
template <class Instance, class Method, class R, class... Args> class method_wrapper {
public:
    explicit method_wrapper(Method method) : m_method(method) {}

    variant operator()(Instance* instance, const VariantList& in) const {
        constexpr std::size_t count = sizeof...(Args);
        if (in.size() > count)
            throw invalid_arguments("Too many arguments, expected " + std::to_string(count) + ".");
        return call(instance, in, std::index_sequence_for<Args...>());
    }

private:
    template <std::size_t... I>
    variant call(Instance* instance, [[maybe_unused]] const VariantList& in,
                 std::index_sequence<I...>) const {
        using Values = std::tuple<std::optional<std::decay_t<Args>>...>;
        [[maybe_unused]] Values values;
        const WipeTexts<Values> wipe(values);
        (convertInto<sizeof...(Args) - 1 - I>(values, in), ...);
        if constexpr (std::is_void_v<R>) {
            (instance->*m_method)(*std::get<I>(values)...);
            return variant();
        } else {
            return variant((instance->*m_method)(*std::get<I>(values)...));
        }
    }

    template <std::size_t Index, class Values>
    static void convertInto(Values& values, const VariantList& in) {
        using T = typename std::tuple_element_t<Index, Values>::value_type;
        std::get<Index>(values).emplace(convertArgument<T>(in, Index + 1));
    }

    Method m_method;
};

template <class I, class M, class R> using method_wrapper0 = method_wrapper<I, M, R>;
template <class I, class M, class R, class A1> using method_wrapper1 = method_wrapper<I, M, R, A1>;
template <class I, class M, class R, class A1, class A2>
using method_wrapper2 = method_wrapper<I, M, R, A1, A2>;
template <class I, class M, class R, class A1, class A2, class A3>
using method_wrapper3 = method_wrapper<I, M, R, A1, A2, A3>;
template <class I, class M, class R, class A1, class A2, class A3, class A4>
using method_wrapper4 = method_wrapper<I, M, R, A1, A2, A3, A4>;
template <class I, class M, class R, class A1, class A2, class A3, class A4, class A5>
using method_wrapper5 = method_wrapper<I, M, R, A1, A2, A3, A4, A5>;
template <class I, class M, class R, class A1, class A2, class A3, class A4, class A5, class A6>
using method_wrapper6 = method_wrapper<I, M, R, A1, A2, A3, A4, A5, A6>;

template <class Instance, class Method, class R, class... Args>
CallMethodFunctor bindMethod(Instance* instance, Method method) {
    static_assert(sizeof...(Args) <= 6, "scripted methods take at most six parameters");
    return [instance, wrapper = method_wrapper<Instance, Method, R, Args...>(method)](
               const VariantList& in) { return wrapper(instance, in); };
}

} // namespace detail::methods

// The method functor of a member function of the instance (zero to six parameters; a
// std::optional parameter may be left out by the page).
template <class Instance, class C, class R, class... Args>
CallMethodFunctor make_method(Instance* instance, R (C::*method)(Args...)) {
    static_assert(std::is_base_of_v<C, Instance>, "the method must belong to the instance");
    return detail::methods::bindMethod<Instance, R (C::*)(Args...), R, Args...>(instance, method);
}

template <class Instance, class C, class R, class... Args>
CallMethodFunctor make_method(Instance* instance, R (C::*method)(Args...) const) {
    static_assert(std::is_base_of_v<C, Instance>, "the method must belong to the instance");
    return detail::methods::bindMethod<Instance, R (C::*)(Args...) const, R, Args...>(instance,
                                                                                      method);
}

} // namespace FB
