#pragma once

#include "JSAPIAuto.h"

#include <string>

namespace FB {

// What the page gets when it reads a method of a plug-in object as a value. Calling it, or its
// "call" or "apply", calls the method on its owner at the access level at which it was read.
// It does not keep the owner alive.
class JSFunction : public JSAPIAuto {
public:
    JSFunction(const JSAPIWeakPtr& owner, const std::string& name, AccessZone level);

    bool HasMethod(const std::string& name) const override;
    bool HasProperty(const std::string& name) const override;
    // The empty name runs Exec, "call" runs Call and "apply" runs Apply.
    variant Invoke(const std::string& name, const VariantList& args) override;

    // The owner's method with these arguments.
    virtual variant Exec(const VariantList& args);
    // The first argument is the "this" value and is dropped.
    virtual variant Call(const VariantList& args);
    // The second argument is the array of arguments; none when missing, undefined or null.
    virtual variant Apply(const VariantList& args);

    using JSAPIAuto::HasMethod;
    using JSAPIAuto::HasProperty;
    using JSAPIAuto::Invoke;

private:
    const JSAPIWeakPtr m_owner;
    const std::string m_name;
    const AccessZone m_level;
};

} // namespace FB
