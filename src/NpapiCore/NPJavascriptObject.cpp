#include "NPJavascriptObject.h"

#include "JSAPIAuto.h"
#include "JSFunction.h"
#include "JSObject.h"
#include "NpapiBrowserHost.h"
#include "NpapiVariant.h"
#include "script_error.h"

#include <array>
#include <typeinfo>
#include <vector>

namespace FB::Npapi {

namespace {

const std::array<const char*, 3> builtinNames = {"addEventListener", "removeEventListener",
                                                 "getLastException"};

bool isBuiltin(const std::string& name) {
    for (const char* builtin : builtinNames) {
        if (name == builtin)
            return true;
    }
    return false;
}

NPJavascriptObject* wrapperOf(NPObject* object) {
    return static_cast<NPJavascriptObject*>(object);
}

} // namespace

// The built-in members of one wrapper, reachable as method objects.
class WrapperMembers : public JSAPIAuto {
public:
    explicit WrapperMembers(NPJavascriptObject* wrapper) : m_wrapper(wrapper) {
        RegisterMethod("addEventListener", [this](const VariantList& args) {
            listener(args, true);
            return variant();
        });
        RegisterMethod("removeEventListener", [this](const VariantList& args) {
            listener(args, false);
            return variant();
        });
        RegisterMethod("getLastException", [this](const VariantList&) {
            return m_wrapper ? m_wrapper->LastException() : variant();
        });
    }

    void Detach() { m_wrapper = nullptr; }

    JSAPIPtr Method(const std::string& name) {
        auto& method = m_methods[name];
        if (!method)
            method = std::make_shared<JSFunction>(weak_from_this(), name, 0);
        return method;
    }

private:
    // (event name, handler [, capture flag]); the capture flag means nothing here.
    void listener(const VariantList& args, bool add) {
        if (args.size() != 2 && args.size() != 3)
            throw invalid_arguments();
        const JSAPIPtr api = m_wrapper ? m_wrapper->GetAPI() : nullptr;
        if (!api)
            throw object_invalidated();
        try {
            const std::string event = "on" + args[0].convert_to<std::string>();
            const auto handler = args[1].convert_to<JSObjectPtr>();
            if (add)
                api->RegisterEventMethod(event, handler);
            else
                api->UnregisterEventMethod(event, handler);
        } catch (const std::bad_cast& e) {
            throw invalid_arguments(e.what());
        }
    }

    NPJavascriptObject* m_wrapper;
    std::map<std::string, JSAPIPtr> m_methods;
};

NPClass* NPJavascriptObject::Class() {
    static NPClass cls = {NP_CLASS_STRUCT_VERSION,
                          &NPJavascriptObject::Allocate,
                          &NPJavascriptObject::Deallocate,
                          &NPJavascriptObject::Invalidate,
                          &NPJavascriptObject::HasMethod,
                          &NPJavascriptObject::Invoke,
                          &NPJavascriptObject::InvokeDefault,
                          &NPJavascriptObject::HasProperty,
                          &NPJavascriptObject::GetProperty,
                          &NPJavascriptObject::SetProperty,
                          &NPJavascriptObject::RemoveProperty,
                          &NPJavascriptObject::Enumerate,
                          &NPJavascriptObject::Construct};
    return &cls;
}

bool NPJavascriptObject::IsWrapper(const NPObject* object) {
    return object && object->_class == Class();
}

NPJavascriptObject::NPJavascriptObject() : NPObject{} {}

NPJavascriptObject::~NPJavascriptObject() {
    if (m_members)
        m_members->Detach();
}

void NPJavascriptObject::Bind(const JSAPIWeakPtr& api,
                              const std::weak_ptr<NpapiBrowserHost>& host) {
    m_api = api;
    m_host = host;
}

bool NPJavascriptObject::live(JSAPIPtr& api, std::shared_ptr<NpapiBrowserHost>& host) const {
    if (!m_valid)
        return false;
    api = m_api.lock();
    host = m_host.lock();
    return api && host && !host->IsShutDown();
}

// A script error reaches the page as an exception carrying its message. The callback then
// answers true: browsers show the message only when the failing callback does not also report
// failure (otherwise the page sees a generic "Error calling method on NPObject.").
template <class Body> bool NPJavascriptObject::guarded(Body body) {
    JSAPIPtr api;
    std::shared_ptr<NpapiBrowserHost> host;
    if (!live(api, host))
        return false;
    try {
        return body(api, host);
    } catch (const script_error& e) {
        m_lastException = std::string(e.what());
        host->SetException(this, e.what());
        return true;
    } catch (const std::exception&) {
        // A failure must not unwind into the browser.
        return false;
    }
}

variant NPJavascriptObject::builtin(const std::string& name) {
    if (!m_members)
        m_members = std::make_shared<WrapperMembers>(this);
    return m_members->Method(name);
}

NPObject* NPJavascriptObject::Allocate(NPP, NPClass*) {
    return new NPJavascriptObject();
}

void NPJavascriptObject::Deallocate(NPObject* object) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    if (const auto host = wrapper->m_host.lock())
        host->ForgetWrapper(wrapper);
    delete wrapper;
}

void NPJavascriptObject::Invalidate(NPObject* object) {
    wrapperOf(object)->m_valid = false;
}

namespace {

// A member name, or the index of an integer identifier.
struct MemberName {
    bool isIndex;
    int index;
    std::string name;
};

MemberName memberName(const NpapiBrowserHost& host, NPIdentifier id) {
    if (host.IdentifierIsString(id))
        return {false, 0, host.StringFromIdentifier(id)};
    return {true, host.IntFromIdentifier(id), {}};
}

bool isMethod(const JSAPI& api, const std::string& name) {
    return name == "toString" || (!api.HasMethodObject(name) && api.HasMethod(name));
}

VariantList argumentsOf(const std::shared_ptr<NpapiBrowserHost>& host, const NPVariant* args,
                        uint32_t count) {
    VariantList list;
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        list.push_back(fromNPVariant(host, args[i]));
    return list;
}

} // namespace

bool NPJavascriptObject::HasMethod(NPObject* object, NPIdentifier id) {
    return wrapperOf(object)->guarded([&](const JSAPIPtr& api, const auto& host) {
        const MemberName member = memberName(*host, id);
        return !member.isIndex && isMethod(*api, member.name);
    });
}

bool NPJavascriptObject::HasProperty(NPObject* object, NPIdentifier id) {
    return wrapperOf(object)->guarded([&](const JSAPIPtr& api, const auto& host) {
        const MemberName member = memberName(*host, id);
        if (member.isIndex)
            return api->HasProperty(member.index);
        if (isBuiltin(member.name))
            return true;
        if (member.name != "toString" && api->HasMethodObject(member.name))
            return true;
        return !isMethod(*api, member.name) && api->HasProperty(member.name);
    });
}

bool NPJavascriptObject::GetProperty(NPObject* object, NPIdentifier id, NPVariant* result) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    VOID_TO_NPVARIANT(*result);
    return wrapper->guarded([&](const JSAPIPtr& api, const auto& host) {
        const MemberName member = memberName(*host, id);
        variant value;
        if (member.isIndex)
            value = api->GetProperty(member.index);
        else if (isBuiltin(member.name))
            value = wrapper->builtin(member.name);
        else if (api->HasMethodObject(member.name))
            value = api->GetMethodObject(member.name);
        else
            value = api->GetProperty(member.name);
        toNPVariant(host, value, *result);
        return true;
    });
}

bool NPJavascriptObject::SetProperty(NPObject* object, NPIdentifier id, const NPVariant* value) {
    return wrapperOf(object)->guarded([&](const JSAPIPtr& api, const auto& host) {
        const MemberName member = memberName(*host, id);
        const variant converted = fromNPVariant(host, *value);
        if (member.isIndex)
            api->SetProperty(member.index, converted);
        else if (api->HasMethodObject(member.name))
            throw script_error("This property cannot be changed");
        else
            api->SetProperty(member.name, converted);
        return true;
    });
}

bool NPJavascriptObject::RemoveProperty(NPObject* object, NPIdentifier id) {
    return wrapperOf(object)->guarded([&](const JSAPIPtr& api, const auto& host) {
        const MemberName member = memberName(*host, id);
        if (member.isIndex)
            api->RemoveProperty(member.index);
        else
            api->RemoveProperty(member.name);
        return true;
    });
}

bool NPJavascriptObject::Invoke(NPObject* object, NPIdentifier id, const NPVariant* args,
                                uint32_t count, NPVariant* result) {
    NPJavascriptObject* wrapper = wrapperOf(object);
    VOID_TO_NPVARIANT(*result);
    return wrapper->guarded([&](const JSAPIPtr& api, const auto& host) {
        const MemberName member = memberName(*host, id);
        const std::string name = member.isIndex ? std::to_string(member.index) : member.name;
        const VariantList arguments = argumentsOf(host, args, count);
        const variant value =
            isBuiltin(name) ? wrapper->builtin(name).convert_to<JSAPIPtr>()->Invoke("", arguments)
                            : api->Invoke(name, arguments);
        toNPVariant(host, value, *result);
        return true;
    });
}

bool NPJavascriptObject::InvokeDefault(NPObject* object, const NPVariant* args, uint32_t count,
                                       NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    return wrapperOf(object)->guarded([&](const JSAPIPtr& api, const auto& host) {
        toNPVariant(host, api->Invoke("", argumentsOf(host, args, count)), *result);
        return true;
    });
}

bool NPJavascriptObject::Construct(NPObject* object, const NPVariant* args, uint32_t count,
                                   NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    return wrapperOf(object)->guarded([&](const JSAPIPtr& api, const auto& host) {
        toNPVariant(host, api->Construct(argumentsOf(host, args, count)), *result);
        return true;
    });
}

bool NPJavascriptObject::Enumerate(NPObject* object, NPIdentifier** names, uint32_t* count) {
    return wrapperOf(object)->guarded([&](const JSAPIPtr& api, const auto& host) {
        std::vector<std::string> members;
        api->GetMemberNames(members);
        members.insert(members.end(), builtinNames.begin(), builtinNames.end());
        auto* ids =
            static_cast<NPIdentifier*>(host->MemAlloc(members.size() * sizeof(NPIdentifier)));
        if (!ids)
            return false;
        for (std::size_t i = 0; i < members.size(); ++i)
            ids[i] = host->GetStringIdentifier(members[i]);
        *names = ids;
        *count = static_cast<uint32_t>(members.size());
        return true;
    });
}

} // namespace FB::Npapi
