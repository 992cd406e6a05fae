#pragma once

#include "BrowserHost.h"
#include "MessageLoop.h"

#include <memory>
#include <string>

namespace FB::NativeMessaging {

// The browser services of one page element served through native messaging. The host's message
// loop is the main thread. The page is reached only through its functions (PageFunction): there
// is no window, document or element to script, and no script to evaluate.
class NativeBrowserHost : public BrowserHost {
public:
    // origin: the page's origin as the extension vouches for it.
    NativeBrowserHost(std::shared_ptr<MessageLoop> loop, std::string origin);

    const void* GetContextID() const override { return this; }
    JSObjectPtr GetDOMDocument() override { return nullptr; }
    JSObjectPtr GetDOMWindow() override { return nullptr; }
    JSObjectPtr GetDOMElement() override { return nullptr; }
    // Fails with FB::script_error: a page's script is not ours to run.
    void EvaluateJavaScript(const std::string& script) override;
    using BrowserHost::EvaluateJavaScript;
    void DoDeferredRelease() override {}
    bool PostToMainThread(void (*func)(void*), void* data) override;
    std::string GetPageOrigin() const override { return m_origin; }

private:
    const std::shared_ptr<MessageLoop> m_loop;
    const std::string m_origin;
};

} // namespace FB::NativeMessaging
