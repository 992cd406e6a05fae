#pragma once

#include "variant.h"

#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace FB {

// One callable queued for the main thread.
class FunctorCall {
public:
    virtual ~FunctorCall() = default;
    // The callable's result; empty for a callable without one.
    virtual variant call() = 0;
};

// Binds a callable, optionally tied to an object: once the object is gone the call does
// nothing. The tie is weak, so a queued call never prolongs the object's life.
template <class Functor> class FunctorCallImpl : public FunctorCall {
public:
    explicit FunctorCallImpl(Functor func) : m_func(std::move(func)) {}
    FunctorCallImpl(std::weak_ptr<const void> object, Functor func)
        : m_object(std::move(object)), m_func(std::move(func)) {}

    variant call() override {
        // Held for the length of the call, so the object cannot die under it.
        std::shared_ptr<const void> alive;
        if (m_object && !(alive = m_object->lock()))
            return variant();
        if constexpr (std::is_void_v<std::invoke_result_t<Functor&>>) {
            m_func();
            return variant();
        } else {
            return variant(m_func());
        }
    }

private:
    std::optional<std::weak_ptr<const void>> m_object;
    Functor m_func;
};

} // namespace FB
