#include "JSAPIImpl.h"

#include "JSObject.h"
#include "script_error.h"

#include <algorithm>

namespace FB {

namespace {

bool sameObject(const JSAPIWeakPtr& a, const JSAPIWeakPtr& b) {
    return !a.owner_before(b) && !b.owner_before(a);
}

} // namespace

JSAPIImpl::~JSAPIImpl() = default;

void JSAPIImpl::PushZone(AccessZone level) {
    m_objectMutex.lock();
    m_zones.push_back(level);
}

void JSAPIImpl::PopZone() {
    // Only the thread that pushed can get here while a pushed level is on the stack (it holds
    // the mutex), so an unmatched PopZone finds the default level alone and changes nothing.
    m_objectMutex.lock();
    if (m_zones.size() > 1) {
        m_zones.pop_back();
        m_objectMutex.unlock();
    }
    m_objectMutex.unlock();
}

void JSAPIImpl::SetDefaultZone(AccessZone level) {
    std::lock_guard<std::recursive_mutex> lock(m_objectMutex);
    m_zones.front() = level;
}

AccessZone JSAPIImpl::GetDefaultZone() const {
    std::lock_guard<std::recursive_mutex> lock(m_objectMutex);
    return m_zones.front();
}

AccessZone JSAPIImpl::GetZone() const {
    std::lock_guard<std::recursive_mutex> lock(m_objectMutex);
    return m_zones.back();
}

void JSAPIImpl::RegisterEventMethod(const std::string& name, const JSObjectPtr& handler) {
    if (!handler)
        throw invalid_arguments();
    std::lock_guard<std::mutex> lock(m_eventMutex);
    Handlers& handlers = m_eventHandlers[handler->GetEventContext()];
    const auto range = handlers.equal_range(name);
    const bool known = std::any_of(range.first, range.second, [&](const auto& entry) {
        return entry.second->GetEventId() == handler->GetEventId();
    });
    if (!known)
        handlers.emplace(name, handler);
}

void JSAPIImpl::UnregisterEventMethod(const std::string& name, const JSObjectPtr& handler) {
    if (!handler)
        throw invalid_arguments();
    std::lock_guard<std::mutex> lock(m_eventMutex);
    const auto context = m_eventHandlers.find(handler->GetEventContext());
    if (context == m_eventHandlers.end())
        return;
    Handlers& handlers = context->second;
    const auto range = handlers.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second->GetEventId() == handler->GetEventId()) {
            handlers.erase(it);
            break;
        }
    }
    if (handlers.empty())
        m_eventHandlers.erase(context);
}

void JSAPIImpl::FireEvent(const std::string& name, const VariantList& args) {
    std::map<const void*, Handlers> registry;
    {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        registry = m_eventHandlers;
    }
    for (const auto& [context, handlers] : registry) {
        std::vector<JSObjectPtr> valid;
        const auto range = handlers.equal_range(name);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second->IsValid())
                valid.push_back(it->second);
        }
        if (valid.empty())
            continue;
        if (valid.front()->SupportsOptimizedCalls()) {
            valid.front()->CallMultipleFunctions(name, args, valid, {});
            continue;
        }
        for (const JSObjectPtr& handler : valid)
            handler->InvokeAsync("", args);
    }

    std::vector<JSAPIWeakPtr> proxies;
    {
        std::lock_guard<std::mutex> lock(m_proxyMutex);
        proxies = m_proxies;
    }
    for (const JSAPIWeakPtr& proxy : proxies) {
        if (const auto target = std::dynamic_pointer_cast<JSAPIImpl>(proxy.lock()))
            target->FireEvent(name, args);
    }
}

void JSAPIImpl::FireEvent(const std::wstring& name, const VariantList& args) {
    FireEvent(narrowName(name), args);
}

void JSAPIImpl::FireJSEvent(const std::string& name, const VariantList& args) {
    FireJSEvent(name, VariantMap(), args);
}

void JSAPIImpl::FireJSEvent(const std::string& name, const VariantMap& members) {
    FireJSEvent(name, members, VariantList());
}

void JSAPIImpl::FireJSEvent(const std::string& name, const VariantMap& members,
                            const VariantList& args) {
    VariantList eventArgs{variant(members)};
    eventArgs.insert(eventArgs.end(), args.begin(), args.end());
    FireEvent(name, eventArgs);
}

void JSAPIImpl::RegisterProxy(const JSAPIWeakPtr& proxy) {
    std::lock_guard<std::mutex> lock(m_proxyMutex);
    const bool known = std::any_of(m_proxies.begin(), m_proxies.end(),
                                   [&](const JSAPIWeakPtr& p) { return sameObject(p, proxy); });
    if (!known)
        m_proxies.push_back(proxy);
}

void JSAPIImpl::UnregisterProxy(const JSAPIWeakPtr& proxy) {
    std::lock_guard<std::mutex> lock(m_proxyMutex);
    m_proxies.erase(std::remove_if(m_proxies.begin(), m_proxies.end(),
                                   [&](const JSAPIWeakPtr& p) { return sameObject(p, proxy); }),
                    m_proxies.end());
}

} // namespace FB
