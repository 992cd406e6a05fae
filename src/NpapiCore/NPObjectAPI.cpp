#include "NPObjectAPI.h"

#include "NPJavascriptObject.h"
#include "NpapiBrowserHost.h"
#include "NpapiVariant.h"
#include "script_error.h"

#include <vector>

namespace FB::Npapi {

namespace {

JSAPIWeakPtr innerOf(NPObject* object) {
    if (object && NPJavascriptObject::IsWrapper(object))
        return static_cast<NPJavascriptObject*>(object)->GetAPI();
    return {};
}

// Browser arguments made from variants, released on every way out.
class NPArguments {
public:
    NPArguments(const std::shared_ptr<NpapiBrowserHost>& host, const VariantList& args)
        : m_host(host), m_values(args.size()) {
        for (std::size_t i = 0; i < args.size(); ++i)
            toNPVariant(host, args[i], m_values[i]);
    }
    ~NPArguments() {
        for (NPVariant& value : m_values)
            m_host->ReleaseVariantValue(&value);
    }
    NPArguments(const NPArguments&) = delete;
    NPArguments& operator=(const NPArguments&) = delete;

    const NPVariant* data() const { return m_values.data(); }
    uint32_t size() const { return static_cast<uint32_t>(m_values.size()); }

private:
    std::shared_ptr<NpapiBrowserHost> m_host;
    std::vector<NPVariant> m_values;
};

// A browser result as a variant, released after reading.
variant takeResult(const std::shared_ptr<NpapiBrowserHost>& host, NPVariant& result) {
    variant value = fromNPVariant(host, result);
    host->ReleaseVariantValue(&result);
    return value;
}

} // namespace

NPObjectAPI::NPObjectAPI(NPObject* object, const std::shared_ptr<NpapiBrowserHost>& host)
    : JSObject(host), m_object(object), m_inner(innerOf(object)) {}

NPObjectAPI::~NPObjectAPI() {
    if (!m_object)
        return;
    if (const auto h = host())
        h->DeferredRelease(m_object);
}

std::shared_ptr<NpapiBrowserHost> NPObjectAPI::host() const {
    return std::static_pointer_cast<NpapiBrowserHost>(m_host.lock());
}

bool NPObjectAPI::onMainThread(std::shared_ptr<NpapiBrowserHost>& h) const {
    h = host();
    if (!h || !m_object)
        throw object_invalidated();
    return h->IsMainThread();
}

bool NPObjectAPI::IsValid() const {
    const auto h = host();
    return m_object && h && !h->IsShutDown();
}

void NPObjectAPI::GetMemberNames(std::vector<std::string>& names) const {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h)) {
        auto* out = &names;
        h->CallOnMainThread([this, out] { GetMemberNames(*out); });
        return;
    }
    if (const JSAPIPtr inner = GetJSAPI()) {
        inner->GetMemberNames(names);
        return;
    }
    NPIdentifier* ids = nullptr;
    uint32_t count = 0;
    if (!h->Enumerate(m_object, &ids, &count))
        throw script_error("Error enumerating members");
    for (uint32_t i = 0; i < count; ++i) {
        names.push_back(h->IdentifierIsString(ids[i])
                            ? h->StringFromIdentifier(ids[i])
                            : std::to_string(h->IntFromIdentifier(ids[i])));
    }
    h->MemFree(ids);
}

std::size_t NPObjectAPI::GetMemberCount() const {
    std::vector<std::string> names;
    GetMemberNames(names);
    return names.size();
}

bool NPObjectAPI::HasMethod(const std::string& name) const {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name] { return HasMethod(name); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->HasMethod(name);
    return h->HasMethod(m_object, h->GetStringIdentifier(name));
}

bool NPObjectAPI::hasProperty(NPIdentifier id) const {
    return host()->HasProperty(m_object, id);
}

bool NPObjectAPI::HasProperty(int index) const {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, index] { return HasProperty(index); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->HasProperty(index);
    return hasProperty(h->GetIntIdentifier(index));
}

bool NPObjectAPI::HasProperty(const std::string& name) const {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name] { return HasProperty(name); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->HasProperty(name);
    return hasProperty(h->GetStringIdentifier(name));
}

variant NPObjectAPI::getProperty(NPIdentifier id) {
    const auto h = host();
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    if (!h->GetProperty(m_object, id, &result))
        throw script_error("Could not get property");
    return takeResult(h, result);
}

variant NPObjectAPI::GetProperty(int index) {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, index] { return GetProperty(index); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->GetProperty(index);
    return getProperty(h->GetIntIdentifier(index));
}

variant NPObjectAPI::GetProperty(const std::string& name) {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name] { return GetProperty(name); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->GetProperty(name);
    return getProperty(h->GetStringIdentifier(name));
}

void NPObjectAPI::setProperty(NPIdentifier id, const variant& value) {
    const auto h = host();
    NPArguments arg(h, {value});
    if (!h->SetProperty(m_object, id, arg.data()))
        throw script_error("Could not set property");
}

void NPObjectAPI::SetProperty(int index, const variant& value) {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, index, value] { SetProperty(index, value); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->SetProperty(index, value);
    setProperty(h->GetIntIdentifier(index), value);
}

void NPObjectAPI::SetProperty(const std::string& name, const variant& value) {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name, value] { SetProperty(name, value); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->SetProperty(name, value);
    setProperty(h->GetStringIdentifier(name), value);
}

void NPObjectAPI::removeProperty(NPIdentifier id) {
    if (!host()->RemoveProperty(m_object, id))
        throw script_error("Could not remove property");
}

void NPObjectAPI::RemoveProperty(int index) {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, index] { RemoveProperty(index); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->RemoveProperty(index);
    removeProperty(h->GetIntIdentifier(index));
}

void NPObjectAPI::RemoveProperty(const std::string& name) {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name] { RemoveProperty(name); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->RemoveProperty(name);
    removeProperty(h->GetStringIdentifier(name));
}

variant NPObjectAPI::Invoke(const std::string& name, const VariantList& args) {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, name, args] { return Invoke(name, args); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->Invoke(name, args);
    NPArguments npArgs(h, args);
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    const bool ok = name.empty() ? h->InvokeDefault(m_object, npArgs.data(), npArgs.size(), &result)
                                 : h->Invoke(m_object, h->GetStringIdentifier(name), npArgs.data(),
                                             npArgs.size(), &result);
    if (!ok)
        throw script_error(name.empty() ? "Error calling function"
                                        : "Error calling method " + name);
    return takeResult(h, result);
}

variant NPObjectAPI::Construct(const VariantList& args) {
    std::shared_ptr<NpapiBrowserHost> h;
    if (!onMainThread(h))
        return h->CallOnMainThread([this, args] { return Construct(args); });
    if (const JSAPIPtr inner = GetJSAPI())
        return inner->Construct(args);
    NPArguments npArgs(h, args);
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    if (!h->Construct(m_object, npArgs.data(), npArgs.size(), &result))
        throw script_error("Error constructing object");
    return takeResult(h, result);
}

void NPObjectAPI::CallMultipleFunctions(const std::string&, const VariantList& args,
                                        const std::vector<JSObjectPtr>& handlers,
                                        const std::vector<JSObjectPtr>&) {
    const auto h = host();
    if (!h)
        throw script_error("Error calling handlers (delegate disappeared)");
    const std::weak_ptr<NpapiBrowserHost> weakHost = h;
    h->ScheduleOnMainThread(self(), [weakHost, args, handlers] {
        for (const JSObjectPtr& handler : handlers) {
            if (weakHost.expired())
                throw script_error("Error calling handlers (delegate disappeared)");
            try {
                handler->Invoke("", args);
            } catch (const std::exception&) {
                throw script_error("Error calling handlers");
            }
        }
    });
}

} // namespace FB::Npapi
