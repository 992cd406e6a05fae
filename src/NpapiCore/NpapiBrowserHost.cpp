#include "NpapiBrowserHost.h"

#include "NPJavascriptObject.h"
#include "NPObjectAPI.h"
#include "script_error.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace FB::Npapi {

NpapiBrowserHost::NpapiBrowserHost(NPP instance) : m_npp(instance) {}

NpapiBrowserHost::~NpapiBrowserHost() {
    if (IsMainThread())
        DoDeferredRelease();
}

void NpapiBrowserHost::SetBrowserFuncs(const NPNetscapeFuncs& funcs) {
    m_funcs = NPNetscapeFuncs{};
    const std::size_t size = std::min<std::size_t>(funcs.size, sizeof(NPNetscapeFuncs));
    std::memcpy(&m_funcs, &funcs, size);
    m_funcs.size = static_cast<uint16_t>(size);
    m_asyncCall = m_funcs.pluginthreadasynccall;
    m_releaseObject = m_funcs.releaseobject;
}

NpapiBrowserHostPtr NpapiBrowserHost::selfHost() {
    return std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
}

JSObjectPtr NpapiBrowserHost::pageObject(NPNVariable variable, const char* failure) {
    NPObject* object = nullptr;
    if (GetValue(variable, &object) != NPERR_NO_ERROR || !object)
        throw std::runtime_error(failure);
    // NPN_GetValue handed us a reference; the page object takes it over.
    return std::make_shared<NPObjectAPI>(object, selfHost());
}

JSObjectPtr NpapiBrowserHost::GetDOMWindow() {
    if (!m_window)
        m_window = pageObject(NPNVWindowNPObject, "Cannot find HTML window");
    return m_window;
}

JSObjectPtr NpapiBrowserHost::GetDOMElement() {
    if (!m_element)
        m_element = pageObject(NPNVPluginElementNPObject, "Cannot find HTML window");
    return m_element;
}

JSObjectPtr NpapiBrowserHost::GetDOMDocument() {
    if (!m_document) {
        const variant document = GetDOMWindow()->GetProperty("document");
        if (const JSObjectPtr* object = document.get_if<JSObjectPtr>(); object && *object)
            m_document = *object;
        else
            throw std::runtime_error("Cannot find HTML document");
    }
    return m_document;
}

// The text of object's property name; empty when it is not a string.
std::string NpapiBrowserHost::propertyText(NPObject* object, const char* name) const {
    NPVariant value;
    VOID_TO_NPVARIANT(value);
    if (!object || !GetProperty(object, GetStringIdentifier(name), &value))
        return {};
    std::string text;
    if (NPVARIANT_IS_STRING(value)) {
        const NPString& string = NPVARIANT_TO_STRING(value);
        text.assign(string.UTF8Characters, string.UTF8Length);
    }
    ReleaseVariantValue(&value);
    return text;
}

std::string NpapiBrowserHost::GetPageOrigin() const {
    // The browser's own word for the document's origin, where it gives one.
    char* origin = nullptr;
    if (GetValue(NPNVdocumentOrigin, &origin) == NPERR_NO_ERROR && origin) {
        const std::string text(origin);
        MemFree(origin);
        return text;
    }
    // Else the document's location, which a page can change only by leaving.
    NPObject* window = nullptr;
    if (GetValue(NPNVWindowNPObject, &window) != NPERR_NO_ERROR || !window)
        return {};
    NPVariant location;
    VOID_TO_NPVARIANT(location);
    std::string text;
    if (GetProperty(window, GetStringIdentifier("location"), &location) &&
        NPVARIANT_IS_OBJECT(location)) {
        NPObject* object = NPVARIANT_TO_OBJECT(location);
        const std::string protocol = propertyText(object, "protocol");
        const std::string host = propertyText(object, "host");
        if (!protocol.empty())
            text = protocol + "//" + host;
    }
    ReleaseVariantValue(&location);
    ReleaseObject(window);
    return text;
}

void NpapiBrowserHost::Navigate(const std::string& url, const std::string& target) {
    if (!m_funcs.geturl)
        return;
    if (m_funcs.pushpopupsenabledstate)
        m_funcs.pushpopupsenabledstate(m_npp, true);
    m_funcs.geturl(m_npp, url.c_str(), target.c_str());
    if (m_funcs.poppopupsenabledstate)
        m_funcs.poppopupsenabledstate(m_npp);
}

void NpapiBrowserHost::EvaluateJavaScript(const std::string& script) {
    const JSObjectPtr window = GetDOMWindow();
    const auto* page = dynamic_cast<NPObjectAPI*>(window.get());
    NPString text{script.c_str(), static_cast<uint32_t>(script.size())};
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    if (!page || !Evaluate(page->GetNPObject(), &text, &result))
        throw script_error("Error executing JavaScript code");
    ReleaseVariantValue(&result);
}

void NpapiBrowserHost::Shutdown() {
    // Calls still pending when the instance goes find every NPN service inert.
    m_asyncCall = nullptr;
    m_funcs = NPNetscapeFuncs{};
    BrowserHost::Shutdown();
    m_window.reset();
    m_document.reset();
    m_element.reset();
}

void NpapiBrowserHost::DeferredRelease(NPObject* object) {
    m_releaseQueue.Push(object);
    if (IsMainThread())
        DoDeferredRelease();
}

void NpapiBrowserHost::DoDeferredRelease() {
    const std::vector<NPObject*> queued = m_releaseQueue.TakeAll();
    // Releasing stays possible after shutdown: page objects that the plug-in object drops while
    // the instance goes would otherwise stay alive in the browser.
    if (!m_releaseObject)
        return;
    for (NPObject* object : queued)
        m_releaseObject(object);
}

bool NpapiBrowserHost::PostToMainThread(void (*func)(void*), void* data) {
    // Workers call this; the table itself is only read on the main thread.
    const NPN_PluginThreadAsyncCallProcPtr asyncCall = m_asyncCall;
    if (IsShutDown() || !asyncCall)
        return false;
    asyncCall(m_npp, func, data);
    return true;
}

NPObject* NpapiBrowserHost::GetJSAPIWrapper(const JSAPIPtr& api) {
    if (NPObject* cached = m_wrappers.Find(api, [this](NPObject* w) { RetainObject(w); }))
        return cached;
    if (!m_funcs.createobject)
        return nullptr;
    auto* wrapper =
        static_cast<NPJavascriptObject*>(m_funcs.createobject(m_npp, NPJavascriptObject::Class()));
    if (!wrapper)
        return nullptr;
    wrapper->Bind(api, selfHost());
    // The page can reach the object through the wrapper, so it lives until the wrapper goes or
    // the instance shuts down.
    RetainJSAPIPtr(api);
    m_wrappers.Add(api, wrapper);
    return wrapper;
}

void NpapiBrowserHost::ForgetWrapper(const NPJavascriptObject* wrapper) {
    if (const JSAPIPtr api = m_wrappers.Forget(wrapper))
        ReleaseJSAPIPtr(api);
}

NPObject* NpapiBrowserHost::newPageObject(const char* constructor) {
    NPObject* window = nullptr;
    if (GetValue(NPNVWindowNPObject, &window) != NPERR_NO_ERROR || !window)
        return nullptr;
    NPVariant made;
    VOID_TO_NPVARIANT(made);
    const bool ok = Invoke(window, GetStringIdentifier(constructor), nullptr, 0, &made);
    ReleaseObject(window);
    if (ok && NPVARIANT_IS_OBJECT(made))
        return NPVARIANT_TO_OBJECT(made);
    ReleaseVariantValue(&made);
    return nullptr;
}

NPObject* NpapiBrowserHost::CreateArray() {
    return newPageObject("Array");
}

NPObject* NpapiBrowserHost::CreateMap() {
    return newPageObject("Object");
}

NPIdentifier NpapiBrowserHost::GetStringIdentifier(const std::string& name) const {
    return m_funcs.getstringidentifier ? m_funcs.getstringidentifier(name.c_str()) : nullptr;
}

NPIdentifier NpapiBrowserHost::GetIntIdentifier(int32_t id) const {
    return m_funcs.getintidentifier ? m_funcs.getintidentifier(id) : nullptr;
}

bool NpapiBrowserHost::IdentifierIsString(NPIdentifier id) const {
    return m_funcs.identifierisstring && m_funcs.identifierisstring(id);
}

std::string NpapiBrowserHost::StringFromIdentifier(NPIdentifier id) const {
    if (!m_funcs.utf8fromidentifier)
        return {};
    NPUTF8* text = m_funcs.utf8fromidentifier(id);
    if (!text)
        return {};
    std::string name(text);
    MemFree(text);
    return name;
}

int32_t NpapiBrowserHost::IntFromIdentifier(NPIdentifier id) const {
    return m_funcs.intfromidentifier ? m_funcs.intfromidentifier(id) : 0;
}

void* NpapiBrowserHost::MemAlloc(uint32_t size) const {
    return m_funcs.memalloc ? m_funcs.memalloc(size) : nullptr;
}

void NpapiBrowserHost::MemFree(void* pointer) const {
    if (m_funcs.memfree)
        m_funcs.memfree(pointer);
}

void NpapiBrowserHost::SetException(NPObject* object, const std::string& message) const {
    if (m_funcs.setexception)
        m_funcs.setexception(object, message.c_str());
}

NPObject* NpapiBrowserHost::RetainObject(NPObject* object) const {
    return m_funcs.retainobject ? m_funcs.retainobject(object) : nullptr;
}

void NpapiBrowserHost::ReleaseObject(NPObject* object) const {
    if (m_funcs.releaseobject)
        m_funcs.releaseobject(object);
}

void NpapiBrowserHost::ReleaseVariantValue(NPVariant* value) const {
    if (m_funcs.releasevariantvalue)
        m_funcs.releasevariantvalue(value);
}

NPError NpapiBrowserHost::GetValue(NPNVariable variable, void* value) const {
    return m_funcs.getvalue ? m_funcs.getvalue(m_npp, variable, value) : NPERR_GENERIC_ERROR;
}

NPError NpapiBrowserHost::SetValue(NPPVariable variable, void* value) const {
    return m_funcs.setvalue ? m_funcs.setvalue(m_npp, variable, value) : NPERR_GENERIC_ERROR;
}

bool NpapiBrowserHost::Invoke(NPObject* object, NPIdentifier name, const NPVariant* args,
                              uint32_t count, NPVariant* result) const {
    return m_funcs.invoke && m_funcs.invoke(m_npp, object, name, args, count, result);
}

bool NpapiBrowserHost::InvokeDefault(NPObject* object, const NPVariant* args, uint32_t count,
                                     NPVariant* result) const {
    return m_funcs.invokeDefault && m_funcs.invokeDefault(m_npp, object, args, count, result);
}

bool NpapiBrowserHost::Evaluate(NPObject* object, NPString* script, NPVariant* result) const {
    return m_funcs.evaluate && m_funcs.evaluate(m_npp, object, script, result);
}

bool NpapiBrowserHost::GetProperty(NPObject* object, NPIdentifier name, NPVariant* result) const {
    return m_funcs.getproperty && m_funcs.getproperty(m_npp, object, name, result);
}

bool NpapiBrowserHost::SetProperty(NPObject* object, NPIdentifier name,
                                   const NPVariant* value) const {
    return m_funcs.setproperty && m_funcs.setproperty(m_npp, object, name, value);
}

bool NpapiBrowserHost::RemoveProperty(NPObject* object, NPIdentifier name) const {
    return m_funcs.removeproperty && m_funcs.removeproperty(m_npp, object, name);
}

bool NpapiBrowserHost::HasProperty(NPObject* object, NPIdentifier name) const {
    return m_funcs.hasproperty && m_funcs.hasproperty(m_npp, object, name);
}

bool NpapiBrowserHost::HasMethod(NPObject* object, NPIdentifier name) const {
    return m_funcs.hasmethod && m_funcs.hasmethod(m_npp, object, name);
}

bool NpapiBrowserHost::Enumerate(NPObject* object, NPIdentifier** names, uint32_t* count) const {
    return m_funcs.enumerate && m_funcs.enumerate(m_npp, object, names, count);
}

bool NpapiBrowserHost::Construct(NPObject* object, const NPVariant* args, uint32_t count,
                                 NPVariant* result) const {
    return m_funcs.construct && m_funcs.construct(m_npp, object, args, count, result);
}

} // namespace FB::Npapi
