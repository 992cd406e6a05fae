#include "BuiltinMembers.h"

#include "JSFunction.h"
#include "JSObject.h"
#include "script_error.h"

#include <algorithm>
#include <typeinfo>

namespace FB {

BuiltinMembers::BuiltinMembers(const Names& names, std::function<JSAPIPtr()> api,
                               std::function<variant()> lastException)
    : m_prefix(names.eventPrefix), m_names{names.add, names.remove, "getLastException"},
      m_api(std::move(api)), m_lastException(std::move(lastException)) {
    RegisterMethod(names.add, [this](const VariantList& args) {
        listener(args, true);
        return variant();
    });
    RegisterMethod(names.remove, [this](const VariantList& args) {
        listener(args, false);
        return variant();
    });
    RegisterMethod("getLastException", [this](const VariantList&) {
        return m_lastException ? m_lastException() : variant();
    });
}

void BuiltinMembers::Detach() {
    std::lock_guard<std::recursive_mutex> lock(objectMutex());
    m_api = nullptr;
    m_lastException = nullptr;
}

bool BuiltinMembers::IsBuiltin(const std::string& name) const {
    return std::find(m_names.begin(), m_names.end(), name) != m_names.end();
}

JSAPIPtr BuiltinMembers::Method(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(objectMutex());
    auto& method = m_methods[name];
    if (!method)
        method = std::make_shared<JSFunction>(weak_from_this(), name, 0);
    return method;
}

void BuiltinMembers::listener(const VariantList& args, bool add) {
    if (args.size() != 2 && args.size() != 3)
        throw invalid_arguments();
    const JSAPIPtr api = m_api ? m_api() : nullptr;
    if (!api)
        throw object_invalidated();
    try {
        const std::string event = m_prefix + args[0].convert_to<std::string>();
        const auto handler = args[1].convert_to<JSObjectPtr>();
        if (add)
            api->RegisterEventMethod(event, handler);
        else
            api->UnregisterEventMethod(event, handler);
    } catch (const std::bad_cast& e) {
        throw invalid_arguments(e.what());
    }
}

} // namespace FB
