#include "ActiveXBrowserHost.h"

#include "FBComJavascriptObject.h"
#include "IDispatchAPI.h"
#include "JSAPI_IDispatchEx.h"
#include "script_error.h"

#include <stdexcept>

namespace FB::ActiveX {

ActiveXBrowserHost::ActiveXBrowserHost(IOleClientSite* site) : m_site(site) {}

ActiveXBrowserHost::~ActiveXBrowserHost() {
    if (IsMainThread())
        DoDeferredRelease();
}

std::shared_ptr<ActiveXBrowserHost> ActiveXBrowserHost::Self() {
    return std::static_pointer_cast<ActiveXBrowserHost>(shared_from_this());
}

JSObjectPtr ActiveXBrowserHost::pageObject(IDispatch* object) {
    return std::make_shared<IDispatchAPI>(object, Self());
}

// The page window: the document that the client site's container is, and its parentWindow.
// Reached by name through IDispatch, as every page object is.
JSObjectPtr ActiveXBrowserHost::GetDOMWindow() {
    if (m_window)
        return m_window;
    const JSObjectPtr document = GetDOMDocument();
    const auto window = document->GetProperty("parentWindow").convert_to<JSObjectPtr>();
    if (!window)
        throw std::runtime_error("Cannot find HTML window");
    m_window = window;
    return m_window;
}

JSObjectPtr ActiveXBrowserHost::GetDOMDocument() {
    if (m_document)
        return m_document;
    ComPtr<IOleContainer> container;
    if (!m_site || FAILED(m_site->GetContainer(container.put())) || !container)
        throw std::runtime_error("Cannot find HTML document");
    const auto document = container.As<IDispatch>(IID_IDispatch);
    if (!document)
        throw std::runtime_error("Cannot find HTML document");
    m_document = pageObject(document.get());
    return m_document;
}

std::string ActiveXBrowserHost::GetPageOrigin() const {
    try {
        // Finding the document only fills the cache of page objects.
        const JSObjectPtr document = const_cast<ActiveXBrowserHost*>(this)->GetDOMDocument();
        const auto location = document->GetProperty("location").convert_to<JSObjectPtr>();
        if (!location)
            return {};
        const std::string protocol = location->GetProperty("protocol").convert_to<std::string>();
        const std::string host = location->GetProperty("host").convert_to<std::string>();
        return protocol.empty() ? std::string() : protocol + "//" + host;
    } catch (const std::exception&) {
        return {};
    }
}

JSObjectPtr ActiveXBrowserHost::GetDOMElement() {
    if (m_element)
        return m_element;
    const auto controlSite = m_site.As<IOleControlSite>(IID_IOleControlSite);
    ComPtr<IDispatch> element;
    if (!controlSite || FAILED(controlSite->GetExtendedControl(element.put())) || !element)
        throw std::runtime_error("Cannot find HTML window");
    m_element = pageObject(element.get());
    return m_element;
}

void ActiveXBrowserHost::EvaluateJavaScript(const std::string& script) {
    JSObjectPtr window;
    try {
        window = GetDOMWindow();
    } catch (const std::exception&) {
    }
    if (!window)
        throw script_error("Can't execute JavaScript: Window is NULL");
    try {
        window->Invoke("execScript", VariantList{variant(script), variant("javascript")});
    } catch (const std::exception&) {
        throw script_error("Error executing JavaScript code");
    }
}

void ActiveXBrowserHost::Shutdown() {
    BrowserHost::Shutdown();
    m_window.reset();
    m_document.reset();
    m_element.reset();
    DoDeferredRelease();
}

bool ActiveXBrowserHost::PostToMainThread(void (*func)(void*), void* data) {
    return !IsShutDown() && m_messageWindow.Post(func, data);
}

void ActiveXBrowserHost::DeferredRelease(IUnknown* object) {
    m_releaseQueue.Push(object);
    if (IsMainThread())
        DoDeferredRelease();
}

void ActiveXBrowserHost::DoDeferredRelease() {
    for (IUnknown* object : m_releaseQueue.TakeAll())
        object->Release();
}

IDispatch* ActiveXBrowserHost::GetJSAPIWrapper(const JSAPIPtr& api) {
    if (JSAPI_IDispatchEx* cached = m_wrappers.Find(api, [](JSAPI_IDispatchEx* w) { w->AddRef(); }))
        return cached;
    JSAPI_IDispatchEx* wrapper = FBComJavascriptObject::Create(api, Self());
    // The page can reach the object through the wrapper, so it lives until the wrapper goes or
    // the control shuts down.
    RetainJSAPIPtr(api);
    m_wrappers.Add(api, wrapper);
    return wrapper;
}

void ActiveXBrowserHost::AddWrapper(const JSAPIPtr& api, JSAPI_IDispatchEx* wrapper) {
    m_wrappers.Add(api, wrapper);
}

void ActiveXBrowserHost::ForgetWrapper(const JSAPI_IDispatchEx* wrapper) {
    if (const JSAPIPtr api = m_wrappers.Forget(wrapper); api && wrapper->OwnsRetain())
        ReleaseJSAPIPtr(api);
}

IDispatch* ActiveXBrowserHost::construct(const char* constructor) {
    JSObjectPtr window;
    try {
        window = GetDOMWindow();
        const auto function = window->GetProperty(constructor).convert_to<JSObjectPtr>();
        if (!function)
            return nullptr;
        const auto made = function->Construct({}).convert_to<JSObjectPtr>();
        const auto* page = dynamic_cast<IDispatchAPI*>(made.get());
        if (!page)
            return nullptr;
        page->GetIDispatch()->AddRef();
        return page->GetIDispatch();
    } catch (const std::exception&) {
        return nullptr;
    }
}

IDispatch* ActiveXBrowserHost::CreateArray() {
    return construct("Array");
}

IDispatch* ActiveXBrowserHost::CreateMap() {
    return construct("Object");
}

} // namespace FB::ActiveX
