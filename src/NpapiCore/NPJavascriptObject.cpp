#include "NPJavascriptObject.h"

#include "BuiltinMembers.h"
#include "JSObject.h"
#include "NpapiBrowserHost.h"
#include "NpapiVariant.h"
#include "WipedArguments.h"
#include "script_error.h"

#include <vector>

namespace FB::Npapi {

namespace {

const BuiltinMembers::Names builtinNames{"addEventListener", "removeEventListener", "on"};

NPJavascriptObject* wrapperOf(NPObject* object) {
    return static_cast<NPJavascriptObject*>(object);
}

} // namespace

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

BuiltinMembers& NPJavascriptObject::builtins() {
    if (!m_members) {
        m_members = std::make_shared<BuiltinMembers>(
            builtinNames, [this] { return GetAPI(); }, [this] { return m_lastException; });
    }
    return *m_members;
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
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper->guarded([&](const JSAPIPtr& api, const auto& host) {
        const MemberName member = memberName(*host, id);
        if (member.isIndex)
            return api->HasProperty(member.index);
        if (wrapper->builtins().IsBuiltin(member.name))
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
        else if (wrapper->builtins().IsBuiltin(member.name))
            value = wrapper->builtins().Method(member.name);
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
        const WipedArguments wiped(arguments);
        const variant value = wrapper->builtins().IsBuiltin(name)
                                  ? wrapper->builtins().Method(name)->Invoke("", arguments)
                                  : api->Invoke(name, arguments);
        toNPVariant(host, value, *result);
        return true;
    });
}

bool NPJavascriptObject::InvokeDefault(NPObject* object, const NPVariant* args, uint32_t count,
                                       NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    return wrapperOf(object)->guarded([&](const JSAPIPtr& api, const auto& host) {
        const VariantList arguments = argumentsOf(host, args, count);
        const WipedArguments wiped(arguments);
        toNPVariant(host, api->Invoke("", arguments), *result);
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
    NPJavascriptObject* wrapper = wrapperOf(object);
    return wrapper->guarded([&](const JSAPIPtr& api, const auto& host) {
        std::vector<std::string> members;
        api->GetMemberNames(members);
        const auto& builtins = wrapper->builtins().BuiltinNames();
        members.insert(members.end(), builtins.begin(), builtins.end());
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
