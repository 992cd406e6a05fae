#pragma once

#include "JSAPIAuto.h"

#include <functional>
#include <map>
#include <string>

namespace FB {

// The members that a browser bridge adds to every scripting object it wraps: one method to
// register a page function as an event handler, one to unregister it, and "getLastException".
// The page reaches them as method objects, one per name.
class BuiltinMembers : public JSAPIAuto {
public:
    struct Names {
        const char* add;    // e.g. "addEventListener"
        const char* remove; // e.g. "removeEventListener"
        // Put before the page's event name to make the registry's name ("on" or nothing).
        const char* eventPrefix;
    };

    // api gives the wrapped scripting object (null once gone); lastException the failure the
    // bridge stored last.
    BuiltinMembers(const Names& names, std::function<JSAPIPtr()> api,
                   std::function<variant()> lastException);

    // The bridge goes: later calls find no scripting object and no stored failure.
    void Detach();
    // The method object of one of the three names.
    JSAPIPtr Method(const std::string& name);
    bool IsBuiltin(const std::string& name) const;
    const std::vector<std::string>& BuiltinNames() const { return m_names; }

    using JSAPIAuto::Invoke;

private:
    // (event name, handler [, capture flag]); the capture flag means nothing here.
    void listener(const VariantList& args, bool add);

    const std::string m_prefix;
    const std::vector<std::string> m_names;
    std::function<JSAPIPtr()> m_api;
    std::function<variant()> m_lastException;
    std::map<std::string, JSAPIPtr> m_methods;
};

} // namespace FB
