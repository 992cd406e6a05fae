// npkvprobe.so: a minimal NPAPI plug-in built on our own ABI declarations. A page scripts it to
// prove, in a real browser, that the tables, selectors, NPClass and NPVariant layouts we declare
// are the ones the browser uses: every call below reaches the browser through a slot of its table
// or is reached by the browser through a slot of ours.

#include "npapi_abi.h"

#include <cstring>
#include <string>
#include <thread>

namespace {

NPNetscapeFuncs browser; // the browser's table, zero past the size it gave

const char* const mimeDescription = "application/x-kv-abi-probe::NPAPI ABI probe";

struct Instance {
    NPP npp = nullptr;
    NPObject* scriptable = nullptr;
    std::thread worker;
    NPObject* pendingCallback = nullptr;
};

struct ProbeObject : NPObject {
    NPP npp;
};

NPIdentifier id(const char* name) {
    return browser.getstringidentifier(name);
}

void setString(const std::string& text, NPVariant& v) {
    auto* chars = static_cast<NPUTF8*>(browser.memalloc(static_cast<uint32_t>(text.size() + 1)));
    std::memcpy(chars, text.c_str(), text.size() + 1);
    STRINGN_TO_NPVARIANT(chars, static_cast<uint32_t>(text.size()), v);
}

// Deep copy: strings get their own browser buffer, objects one more reference.
void copyVariant(const NPVariant& from, NPVariant& to) {
    if (NPVARIANT_IS_STRING(from)) {
        const NPString& s = NPVARIANT_TO_STRING(from);
        setString(std::string(s.UTF8Characters, s.UTF8Length), to);
    } else if (NPVARIANT_IS_OBJECT(from)) {
        OBJECT_TO_NPVARIANT(browser.retainobject(NPVARIANT_TO_OBJECT(from)), to);
    } else {
        to = from;
    }
}

std::string text(const NPVariant& v) {
    if (!NPVARIANT_IS_STRING(v))
        return {};
    return std::string(NPVARIANT_TO_STRING(v).UTF8Characters, NPVARIANT_TO_STRING(v).UTF8Length);
}

NPObject* windowObject(NPP npp) {
    NPObject* window = nullptr;
    if (browser.getvalue(npp, NPNVWindowNPObject, &window) != NPERR_NO_ERROR)
        return nullptr;
    return window;
}

// Reads object[name] into result; the caller releases it.
bool property(NPP npp, NPObject* object, const char* name, NPVariant& result) {
    return object && browser.getproperty(npp, object, id(name), &result);
}

bool fail(NPObject* object, const char* message) {
    browser.setexception(object, message);
    return false;
}

const char* const methodNames[] = {"echo", "call",      "documentTitle", "elementId", "evaluate",
                                   "fail", "setGlobal", "later",         "makeObject"};
const char* const propertyNames[] = {"tableSize", "tableVersion"};

template <std::size_t N> bool isOneOf(NPIdentifier name, const char* const (&names)[N]) {
    for (const char* candidate : names)
        if (name == id(candidate))
            return true;
    return false;
}

void onMainThread(void* data) {
    auto* instance = static_cast<Instance*>(data);
    instance->worker.join();
    NPVariant argument;
    NPVariant ignored;
    STRINGZ_TO_NPVARIANT("from a worker thread", argument);
    if (browser.invokeDefault(instance->npp, instance->pendingCallback, &argument, 1, &ignored))
        browser.releasevariantvalue(&ignored);
    browser.releaseobject(instance->pendingCallback);
    instance->pendingCallback = nullptr;
}

bool invokeMethod(ProbeObject* self, NPIdentifier name, const NPVariant* args, uint32_t argc,
                  NPVariant* result) {
    NPP npp = self->npp;
    if (name == id("echo") && argc == 1) {
        copyVariant(args[0], *result);
        return true;
    }
    if (name == id("call") && argc == 2 && NPVARIANT_IS_OBJECT(args[0]))
        return browser.invokeDefault(npp, NPVARIANT_TO_OBJECT(args[0]), &args[1], 1, result);
    if (name == id("documentTitle")) {
        NPObject* window = windowObject(npp);
        NPVariant document;
        const bool found = property(npp, window, "document", document);
        if (window)
            browser.releaseobject(window);
        if (!found)
            return fail(self, "no document");
        const bool ok = NPVARIANT_IS_OBJECT(document) &&
                        property(npp, NPVARIANT_TO_OBJECT(document), "title", *result);
        browser.releasevariantvalue(&document);
        return ok || fail(self, "no title");
    }
    if (name == id("elementId")) {
        NPObject* element = nullptr;
        if (browser.getvalue(npp, NPNVPluginElementNPObject, &element) != NPERR_NO_ERROR)
            return fail(self, "no element");
        const bool ok = property(npp, element, "id", *result);
        if (element)
            browser.releaseobject(element);
        return ok || fail(self, "element has no id");
    }
    if (name == id("evaluate") && argc == 1 && NPVARIANT_IS_STRING(args[0])) {
        NPObject* window = windowObject(npp);
        NPString script = NPVARIANT_TO_STRING(args[0]);
        const bool ok = window && browser.evaluate(npp, window, &script, result);
        if (window)
            browser.releaseobject(window);
        return ok || fail(self, "evaluation failed");
    }
    if (name == id("setGlobal") && argc == 2 && NPVARIANT_IS_STRING(args[0])) {
        NPObject* window = windowObject(npp);
        const bool ok =
            window && browser.setproperty(npp, window, id(text(args[0]).c_str()), &args[1]);
        if (window)
            browser.releaseobject(window);
        VOID_TO_NPVARIANT(*result);
        return ok;
    }
    if (name == id("makeObject") && argc == 0) {
        OBJECT_TO_NPVARIANT(browser.createobject(npp, self->_class), *result);
        return true;
    }
    if (name == id("fail") && argc == 1) {
        // QtWebKit shows the page this text only when the call itself reports success; a false
        // return replaces it with "Error calling method on NPObject.".
        browser.setexception(self, text(args[0]).c_str());
        VOID_TO_NPVARIANT(*result);
        return true;
    }
    if (name == id("later") && argc == 1 && NPVARIANT_IS_OBJECT(args[0])) {
        auto* instance = static_cast<Instance*>(npp->pdata);
        if (instance->pendingCallback)
            return fail(self, "a call is already pending");
        instance->pendingCallback = browser.retainobject(NPVARIANT_TO_OBJECT(args[0]));
        instance->worker = std::thread(
            [npp, instance] { browser.pluginthreadasynccall(npp, onMainThread, instance); });
        VOID_TO_NPVARIANT(*result);
        return true;
    }
    return fail(self, "unknown method or wrong arguments");
}

NPObject* allocate(NPP npp, NPClass*) {
    auto* object = new ProbeObject;
    object->npp = npp;
    return object;
}

void deallocate(NPObject* object) {
    delete static_cast<ProbeObject*>(object);
}

bool hasMethod(NPObject*, NPIdentifier name) {
    return isOneOf(name, methodNames);
}

bool invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argc,
            NPVariant* result) {
    return invokeMethod(static_cast<ProbeObject*>(object), name, args, argc, result);
}

// Calling the element itself answers the number of arguments.
bool invokeDefault(NPObject*, const NPVariant*, uint32_t argc, NPVariant* result) {
    INT32_TO_NPVARIANT(static_cast<int32_t>(argc), *result);
    return true;
}

bool hasProperty(NPObject*, NPIdentifier name) {
    return isOneOf(name, propertyNames);
}

bool getProperty(NPObject*, NPIdentifier name, NPVariant* result) {
    if (name == id("tableSize"))
        INT32_TO_NPVARIANT(browser.size, *result);
    else if (name == id("tableVersion"))
        INT32_TO_NPVARIANT(browser.version, *result);
    else
        return false;
    return true;
}

bool enumerate(NPObject*, NPIdentifier** names, uint32_t* count) {
    const uint32_t n = sizeof propertyNames / sizeof *propertyNames;
    *names = static_cast<NPIdentifier*>(browser.memalloc(n * sizeof(NPIdentifier)));
    for (uint32_t i = 0; i < n; ++i)
        (*names)[i] = id(propertyNames[i]);
    *count = n;
    return true;
}

// `new element(...)` gives an object whose "made" property counts the arguments.
bool construct(NPObject* object, const NPVariant*, uint32_t argc, NPVariant* result) {
    NPP npp = static_cast<ProbeObject*>(object)->npp;
    NPObject* window = windowObject(npp);
    NPVariant made;
    INT32_TO_NPVARIANT(static_cast<int32_t>(argc), made);
    NPString script{"({})", 4};
    const bool ok = window && browser.evaluate(npp, window, &script, result) &&
                    NPVARIANT_IS_OBJECT(*result) &&
                    browser.setproperty(npp, NPVARIANT_TO_OBJECT(*result), id("made"), &made);
    if (window)
        browser.releaseobject(window);
    return ok;
}

NPClass probeClass = {NP_CLASS_STRUCT_VERSION,
                      allocate,
                      deallocate,
                      nullptr,
                      hasMethod,
                      invoke,
                      invokeDefault,
                      hasProperty,
                      getProperty,
                      nullptr,
                      nullptr,
                      enumerate,
                      construct};

NPError newInstance(NPMIMEType, NPP npp, uint16_t, int16_t, char**, char**, NPSavedData*) {
    auto* instance = new Instance;
    instance->npp = npp;
    npp->pdata = instance;
    browser.setvalue(npp, NPPVpluginWindowBool, nullptr);
    browser.setvalue(npp, NPPVpluginTransparentBool, reinterpret_cast<void*>(1));
    return NPERR_NO_ERROR;
}

NPError destroyInstance(NPP npp, NPSavedData**) {
    auto* instance = static_cast<Instance*>(npp->pdata);
    if (!instance)
        return NPERR_INVALID_INSTANCE_ERROR;
    if (instance->worker.joinable())
        instance->worker.join();
    if (instance->scriptable)
        browser.releaseobject(instance->scriptable);
    delete instance;
    npp->pdata = nullptr;
    return NPERR_NO_ERROR;
}

NPError setWindow(NPP, NPWindow*) {
    return NPERR_NO_ERROR;
}

int16_t handleEvent(NPP, void*) {
    return kNPEventNotHandled;
}

NPError getValue(NPP npp, NPPVariable variable, void* value) {
    auto* instance = npp ? static_cast<Instance*>(npp->pdata) : nullptr;
    switch (variable) {
    case NPPVpluginNeedsXEmbed:
        *static_cast<NPBool*>(value) = 0;
        return NPERR_NO_ERROR;
    case NPPVpluginScriptableNPObject:
        if (!instance)
            return NPERR_INVALID_INSTANCE_ERROR;
        if (!instance->scriptable)
            instance->scriptable = browser.createobject(npp, &probeClass);
        *static_cast<NPObject**>(value) = browser.retainobject(instance->scriptable);
        return NPERR_NO_ERROR;
    default:
        return NP_GetValue(nullptr, variable, value);
    }
}

} // namespace

const char* NP_GetMIMEDescription(void) {
    return mimeDescription;
}

NPError NP_GetValue(void*, NPPVariable variable, void* value) {
    switch (variable) {
    case NPPVpluginNameString:
        *static_cast<const char**>(value) = "kv ABI probe";
        return NPERR_NO_ERROR;
    case NPPVpluginDescriptionString:
        *static_cast<const char**>(value) = "Checks the NPAPI declarations against a browser";
        return NPERR_NO_ERROR;
    default:
        return NPERR_GENERIC_ERROR;
    }
}

NPError NP_Initialize(NPNetscapeFuncs* bFuncs, NPPluginFuncs* pFuncs) {
    if (!bFuncs || !pFuncs)
        return NPERR_INVALID_FUNCTABLE_ERROR;
    if ((bFuncs->version >> 8) > NP_VERSION_MAJOR)
        return NPERR_INCOMPATIBLE_VERSION_ERROR;
    // Everything up to NPN_Construct is used above; a shorter table cannot serve.
    if (bFuncs->size < offsetof(NPNetscapeFuncs, construct) + sizeof(void*) ||
        pFuncs->size < offsetof(NPPluginFuncs, setvalue) + sizeof(void*))
        return NPERR_INVALID_FUNCTABLE_ERROR;
    std::memset(&browser, 0, sizeof browser);
    std::memcpy(&browser, bFuncs, bFuncs->size < sizeof browser ? bFuncs->size : sizeof browser);

    pFuncs->newp = newInstance;
    pFuncs->destroy = destroyInstance;
    pFuncs->setwindow = setWindow;
    pFuncs->event = handleEvent;
    pFuncs->getvalue = getValue;
    return NPERR_NO_ERROR;
}

NPError NP_Shutdown(void) {
    return NPERR_NO_ERROR;
}
