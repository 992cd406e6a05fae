#pragma once

#include "DispatchCall.h"
#include "JSObject.h"

#include <memory>
#include <string>
#include <vector>

namespace FB::ActiveX {

class ActiveXBrowserHost;

// A page object seen from the plug-in, reached through its IDispatchEx or IDispatch. Usable
// from any thread: every operation runs on the browser's main thread, and the COM reference is
// released there too. When the object is one of our own dispatch wrappers, it reports the
// wrapped scripting object, and calls go straight to it.
class IDispatchAPI : public JSObject {
public:
    IDispatchAPI(IDispatch* object, const std::shared_ptr<ActiveXBrowserHost>& host);
    ~IDispatchAPI() override;

    IDispatch* GetIDispatch() const { return m_object; }

    void Invalidate() override {}
    const void* GetEventId() const override { return m_object; }
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
    std::shared_ptr<ActiveXBrowserHost> host() const;
    // True on the main thread (the caller goes on); otherwise the caller marshals.
    bool onMainThread(std::shared_ptr<ActiveXBrowserHost>& host) const;

    IDispatch* const m_object; // one reference, released on the main thread
    const JSAPIWeakPtr m_inner;
};

} // namespace FB::ActiveX
