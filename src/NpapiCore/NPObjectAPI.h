#pragma once

#include "JSObject.h"
#include "npapi_abi.h"

#include <memory>
#include <string>
#include <vector>

namespace FB::Npapi {

class NpapiBrowserHost;

// A page object seen from the plug-in. Usable from any thread: every operation runs on the
// browser's main thread. When the object is one of our own wrappers, calls go straight to the
// wrapped scripting object.
class NPObjectAPI : public JSObject {
public:
    // Takes one reference to the object; it is released on the main thread.
    NPObjectAPI(NPObject* object, const std::shared_ptr<NpapiBrowserHost>& host);
    ~NPObjectAPI() override;

    NPObject* GetNPObject() const { return m_object; }

    void Invalidate() override {}
    const void* GetEventId() const override { return m_object; }
    bool SupportsOptimizedCalls() const override { return true; }
    void CallMultipleFunctions(const std::string& name, const VariantList& args,
                               const std::vector<JSObjectPtr>& handlers,
                               const std::vector<JSObjectPtr>& proxies) override;
    bool IsValid() const override;
    JSAPIPtr GetJSAPI() const override { return m_inner.lock(); }

    void GetMemberNames(std::vector<std::string>& names) const override;
    std::size_t GetMemberCount() const override;
    bool HasMethod(const std::string& name) const override;
    bool HasProperty(int index) const override;
    bool HasProperty(const std::string& name) const override;
    variant GetProperty(int index) override;
    variant GetProperty(const std::string& name) override;
    void SetProperty(int index, const variant& value) override;
    void SetProperty(const std::string& name, const variant& value) override;
    void RemoveProperty(int index) override;
    void RemoveProperty(const std::string& name) override;
    variant Invoke(const std::string& name, const VariantList& args) override;
    variant Construct(const VariantList& args) override;

    using JSAPI::GetMemberNames;
    using JSAPI::GetProperty;
    using JSAPI::HasMethod;
    using JSAPI::HasProperty;
    using JSAPI::Invoke;
    using JSAPI::RemoveProperty;
    using JSAPI::SetProperty;

private:
    std::shared_ptr<NpapiBrowserHost> host() const;
    // The host when the caller is on the main thread, else null (the caller marshals).
    bool onMainThread(std::shared_ptr<NpapiBrowserHost>& host) const;
    bool hasProperty(NPIdentifier id) const;
    variant getProperty(NPIdentifier id);
    void setProperty(NPIdentifier id, const variant& value);
    void removeProperty(NPIdentifier id);

    NPObject* const m_object;
    const JSAPIWeakPtr m_inner;
};

} // namespace FB::Npapi
