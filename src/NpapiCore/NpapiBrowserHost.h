#pragma once

#include "BrowserHost.h"
#include "ReleaseQueue.h"
#include "WrapperCache.h"
#include "npapi_abi.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace FB::Npapi {

class NPJavascriptObject;
class NpapiBrowserHost;
using NpapiBrowserHostPtr = std::shared_ptr<NpapiBrowserHost>;

// The browser services of one NPAPI instance. Every NPN wrapper does nothing and reports
// failure when the browser lacks the function or the host is shut down.
class NpapiBrowserHost : public BrowserHost {
public:
    explicit NpapiBrowserHost(NPP instance);
    ~NpapiBrowserHost() override;

    // Copies the entries the browser's table really has (its size field); the rest stay null.
    void SetBrowserFuncs(const NPNetscapeFuncs& funcs);

    const void* GetContextID() const override { return m_npp; }
    NPP GetInstance() const { return m_npp; }

    JSObjectPtr GetDOMDocument() override;
    JSObjectPtr GetDOMWindow() override;
    JSObjectPtr GetDOMElement() override;
    void Navigate(const std::string& url, const std::string& target) override;
    // Main thread only, as every NPN service.
    std::string GetPageOrigin() const override;
    void EvaluateJavaScript(const std::string& script) override;
    using BrowserHost::EvaluateJavaScript;
    void Shutdown() override;
    void DoDeferredRelease() override;
    bool PostToMainThread(void (*func)(void*), void* data) override;

    // Queues a browser object for release on the main thread; safe from any thread.
    void DeferredRelease(NPObject* object);

    // The page-side object of a scripting object, retained once for the caller: the cached
    // wrapper while it lives, else a new one.
    NPObject* GetJSAPIWrapper(const JSAPIPtr& api);
    // Called by a wrapper that the browser deallocates.
    void ForgetWrapper(const NPJavascriptObject* wrapper);

    // A new page array / plain page object, retained for the caller; null on failure.
    NPObject* CreateArray();
    NPObject* CreateMap();

    // The NPN services, each inert without the browser function.
    NPIdentifier GetStringIdentifier(const std::string& name) const;
    NPIdentifier GetIntIdentifier(int32_t id) const;
    bool IdentifierIsString(NPIdentifier id) const;
    std::string StringFromIdentifier(NPIdentifier id) const;
    int32_t IntFromIdentifier(NPIdentifier id) const;
    void* MemAlloc(uint32_t size) const;
    void MemFree(void* pointer) const;
    void SetException(NPObject* object, const std::string& message) const;
    NPObject* RetainObject(NPObject* object) const;
    void ReleaseObject(NPObject* object) const;
    void ReleaseVariantValue(NPVariant* value) const;
    NPError GetValue(NPNVariable variable, void* value) const;
    NPError SetValue(NPPVariable variable, void* value) const;
    bool Invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count,
                NPVariant* result) const;
    bool InvokeDefault(NPObject* object, const NPVariant* args, uint32_t count,
                       NPVariant* result) const;
    bool Evaluate(NPObject* object, NPString* script, NPVariant* result) const;
    bool GetProperty(NPObject* object, NPIdentifier name, NPVariant* result) const;
    bool SetProperty(NPObject* object, NPIdentifier name, const NPVariant* value) const;
    bool RemoveProperty(NPObject* object, NPIdentifier name) const;
    bool HasProperty(NPObject* object, NPIdentifier name) const;
    bool HasMethod(NPObject* object, NPIdentifier name) const;
    bool Enumerate(NPObject* object, NPIdentifier** names, uint32_t* count) const;
    bool Construct(NPObject* object, const NPVariant* args, uint32_t count,
                   NPVariant* result) const;

protected:
    NpapiBrowserHostPtr selfHost();

private:
    JSObjectPtr pageObject(NPNVariable variable, const char* failure);
    std::string propertyText(NPObject* object, const char* name) const;
    NPObject* newPageObject(const char* constructor);

    const NPP m_npp;
    NPNetscapeFuncs m_funcs{};
    std::atomic<NPN_PluginThreadAsyncCallProcPtr> m_asyncCall{nullptr};
    NPN_ReleaseObjectProcPtr m_releaseObject = nullptr;

    JSObjectPtr m_window;
    JSObjectPtr m_document;
    JSObjectPtr m_element;

    ReleaseQueue<NPObject> m_releaseQueue;

    WrapperCache<NPJavascriptObject> m_wrappers;
};

// The host form of this platform (on Windows the one with a message window).
NpapiBrowserHostPtr createBrowserHost(NPP instance);

} // namespace FB::Npapi
