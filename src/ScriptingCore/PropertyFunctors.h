#pragma once

#include "variant.h"

#include <functional>
#include <type_traits>

namespace FB {

using GetPropFunctor = std::function<variant()>;
using SetPropFunctor = std::function<void(const variant&)>;

// A registered property. A failed conversion of the written value escapes the setter as
// FB::bad_variant_cast.
struct PropertyFunctors {
    GetPropFunctor get;
    SetPropFunctor set;
};

// A property read by a getter; writing it does nothing and reports no error.
template <class Instance, class Getter>
PropertyFunctors make_property(Instance* instance, Getter get) {
    return {[instance, get] { return variant((instance->*get)()); }, [](const variant&) {}};
}

// A property read by a getter and written by a setter taking one typed value.
template <class Instance, class Getter, class C, class R, class Value>
PropertyFunctors make_property(Instance* instance, Getter get, R (C::*set)(Value)) {
    static_assert(std::is_base_of_v<C, Instance>, "the setter must belong to the instance");
    return {[instance, get] { return variant((instance->*get)()); },
            [instance, set](const variant& value) {
                (instance->*set)(value.convert_to<std::decay_t<Value>>());
            }};
}

} // namespace FB
