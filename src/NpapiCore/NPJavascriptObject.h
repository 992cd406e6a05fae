#pragma once

#include "APITypes.h"
#include "npapi_abi.h"
#include "variant.h"

#include <memory>

namespace FB {
class BuiltinMembers;
}

namespace FB::Npapi {

class NpapiBrowserHost;

// The browser object through which the page reaches one of our scripting objects. It never
// keeps the scripting object or the host alive; once either is gone, or the browser has
// invalidated it, every callback answers false and touches nothing.
class NPJavascriptObject : public NPObject {
public:
    static NPClass* Class();
    static bool IsWrapper(const NPObject* object);

    void Bind(const JSAPIWeakPtr& api, const std::weak_ptr<NpapiBrowserHost>& host);
    JSAPIPtr GetAPI() const { return m_api.lock(); }
    // The stored failure that "getLastException" gives back.
    const variant& LastException() const { return m_lastException; }

private:
    NPJavascriptObject();
    ~NPJavascriptObject();

    // Null unless the wrapper is valid and both its scripting object and host are alive.
    bool live(JSAPIPtr& api, std::shared_ptr<NpapiBrowserHost>& host) const;
    // Runs a callback body, turning failures into the browser's answer.
    template <class Body> bool guarded(Body body);
    BuiltinMembers& builtins();

    static NPObject* Allocate(NPP npp, NPClass* cls);
    static void Deallocate(NPObject* object);
    static void Invalidate(NPObject* object);
    static bool HasMethod(NPObject* object, NPIdentifier name);
    static bool Invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count,
                       NPVariant* result);
    static bool InvokeDefault(NPObject* object, const NPVariant* args, uint32_t count,
                              NPVariant* result);
    static bool HasProperty(NPObject* object, NPIdentifier name);
    static bool GetProperty(NPObject* object, NPIdentifier name, NPVariant* result);
    static bool SetProperty(NPObject* object, NPIdentifier name, const NPVariant* value);
    static bool RemoveProperty(NPObject* object, NPIdentifier name);
    static bool Enumerate(NPObject* object, NPIdentifier** names, uint32_t* count);
    static bool Construct(NPObject* object, const NPVariant* args, uint32_t count,
                          NPVariant* result);

    JSAPIWeakPtr m_api;
    std::weak_ptr<NpapiBrowserHost> m_host;
    bool m_valid = true;
    variant m_lastException;
    std::shared_ptr<BuiltinMembers> m_members;
};

} // namespace FB::Npapi
