#pragma once

#include "variant.h"

#include <map>
#include <typeindex>
#include <typeinfo>
#include <utility>

namespace FB {

// A translation per exact held type of a variant, as the browser bridges build them once per
// process: add<T>(translation) for each type, then Find(value) for a value's own.
template <class Translation> class HeldTypeTable {
public:
    template <class T> void add(Translation translation) {
        m_table.emplace(std::type_index(typeid(T)), std::move(translation));
    }

    // The translation of the value's held type, or null for a type without one.
    const Translation* Find(const variant& value) const {
        const auto found = m_table.find(std::type_index(value.held_type()));
        return found == m_table.end() ? nullptr : &found->second;
    }

private:
    std::map<std::type_index, Translation> m_table;
};

} // namespace FB
