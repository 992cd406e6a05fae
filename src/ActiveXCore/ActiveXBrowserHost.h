#pragma once

#include "BrowserHost.h"
#include "ComPtr.h"
#include "MessageWindow_win.h"
#include "ReleaseQueue.h"
#include "WrapperCache.h"

#include <oaidl.h>
#include <ocidl.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace FB::ActiveX {

class JSAPI_IDispatchEx;

// The browser services of one control: the page reached through the control's client site,
// queued calls delivered on the main thread through a hidden message window, page objects
// released there, and one dispatch wrapper per scripting object handed to the page. A control
// without a client site (made by a script host's ActiveXObject) gets a host without a page.
class ActiveXBrowserHost : public BrowserHost {
public:
    explicit ActiveXBrowserHost(IOleClientSite* site);
    ~ActiveXBrowserHost() override;

    const void* GetContextID() const override { return m_site.get(); }
    IOleClientSite* ClientSite() const { return m_site.get(); }

    JSObjectPtr GetDOMDocument() override;
    JSObjectPtr GetDOMWindow() override;
    JSObjectPtr GetDOMElement() override;
    // The document's location: protocol and host; empty without a page. Main thread only.
    std::string GetPageOrigin() const override;
    void EvaluateJavaScript(const std::string& script) override;
    using BrowserHost::EvaluateJavaScript;
    void Shutdown() override;
    void DoDeferredRelease() override;
    bool PostToMainThread(void (*func)(void*), void* data) override;

    // Releases a page object on the main thread; safe from any thread.
    void DeferredRelease(IUnknown* object);

    // The page-side object of a scripting object with one reference for the caller: the
    // cached wrapper while it lives, else a new FBComJavascriptObject.
    IDispatch* GetJSAPIWrapper(const JSAPIPtr& api);
    // The control enters itself as the wrapper of its root scripting object.
    void AddWrapper(const JSAPIPtr& api, JSAPI_IDispatchEx* wrapper);
    // Called by a wrapper that goes.
    void ForgetWrapper(const JSAPI_IDispatchEx* wrapper);

    // A new page array / plain page object from the page window's constructors, with one
    // reference for the caller; null without a window.
    IDispatch* CreateArray();
    IDispatch* CreateMap();

    std::shared_ptr<ActiveXBrowserHost> Self();

private:
    JSObjectPtr pageObject(IDispatch* object);
    IDispatch* construct(const char* constructor);

    ComPtr<IOleClientSite> m_site;
    MessageWindow m_messageWindow;

    JSObjectPtr m_window;
    JSObjectPtr m_document;
    JSObjectPtr m_element;

    ReleaseQueue<IUnknown> m_releaseQueue;

    WrapperCache<JSAPI_IDispatchEx> m_wrappers;
};

using ActiveXBrowserHostPtr = std::shared_ptr<ActiveXBrowserHost>;

} // namespace FB::ActiveX
