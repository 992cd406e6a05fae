#pragma once

#include "JSAPI.h"

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace FB {

// A scripting object with access zones, an event registry and proxies.
class JSAPIImpl : public JSAPI {
public:
    JSAPIImpl() = default;
    ~JSAPIImpl() override;

    // Irreversible: afterwards member lookups answer false and member operations throw.
    void Invalidate() override { m_valid = false; }
    bool IsValid() const { return m_valid; }

    // PushZone takes the object mutex and keeps it until the matching PopZone, so the pair
    // brackets a region at the pushed level that no other thread can enter.
    void PushZone(AccessZone level) override;
    void PopZone() override;
    void SetDefaultZone(AccessZone level) override;
    AccessZone GetDefaultZone() const override;
    AccessZone GetZone() const override;

    void RegisterEventMethod(const std::string& name, const JSObjectPtr& handler) override;
    void UnregisterEventMethod(const std::string& name, const JSObjectPtr& handler) override;

    // Handlers run later on the main thread, never inside this call.
    virtual void FireEvent(const std::string& name, const VariantList& args);
    virtual void FireEvent(const std::wstring& name, const VariantList& args);
    // Handlers receive an event object holding the members, followed by the arguments; it
    // goes through FireEvent.
    virtual void FireJSEvent(const std::string& name, const VariantList& args);
    virtual void FireJSEvent(const std::string& name, const VariantMap& members);
    virtual void FireJSEvent(const std::string& name, const VariantMap& members,
                             const VariantList& args);

    // A proxy is an object that receives the events fired here as well.
    virtual void RegisterProxy(const JSAPIWeakPtr& proxy);
    virtual void UnregisterProxy(const JSAPIWeakPtr& proxy);

    using JSAPI::RegisterEventMethod;
    using JSAPI::UnregisterEventMethod;

protected:
    // Held by every member operation; recursive, so an operation may call another.
    std::recursive_mutex& objectMutex() const { return m_objectMutex; }

private:
    using Handlers = std::multimap<std::string, JSObjectPtr>;

    std::atomic<bool> m_valid{true};

    mutable std::recursive_mutex m_objectMutex;
    std::deque<AccessZone> m_zones{0};

    std::mutex m_eventMutex;
    std::map<const void*, Handlers> m_eventHandlers;

    std::mutex m_proxyMutex;
    std::vector<JSAPIWeakPtr> m_proxies;
};

} // namespace FB
