#include "FakeBrowser.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace fakenp {

namespace {

FakeBrowser* active = nullptr;

struct Identifier {
    bool isString;
    std::string name;
    int32_t number;
};

// Identifiers live for the process, as in a browser.
std::map<std::string, std::unique_ptr<Identifier>>& stringIds() {
    static std::map<std::string, std::unique_ptr<Identifier>> ids;
    return ids;
}

std::map<int32_t, std::unique_ptr<Identifier>>& intIds() {
    static std::map<int32_t, std::unique_ptr<Identifier>> ids;
    return ids;
}

NPIdentifier stringId(const NPUTF8* name) {
    auto& id = stringIds()[name];
    if (!id)
        id.reset(new Identifier{true, name, 0});
    return id.get();
}

NPIdentifier intId(int32_t number) {
    auto& id = intIds()[number];
    if (!id)
        id.reset(new Identifier{false, {}, number});
    return id.get();
}

const Identifier& identifier(NPIdentifier id) {
    return *static_cast<const Identifier*>(id);
}

std::string key(NPIdentifier id) {
    const Identifier& ident = identifier(id);
    return ident.isString ? ident.name : std::to_string(ident.number);
}

PageObject* page(NPObject* object) {
    return static_cast<PageObject*>(object);
}

// ---- the class of page objects: plain script objects and functions ----

NPObject* pageAllocate(NPP, NPClass*) {
    return new PageObject();
}

void pageDeallocate(NPObject* object) {
    delete page(object);
}

bool pageHasProperty(NPObject* object, NPIdentifier id) {
    return page(object)->properties.count(key(id)) != 0;
}

bool isFunction(const Value& value) {
    const NPVariant& v = value.get();
    return NPVARIANT_IS_OBJECT(v) && page(NPVARIANT_TO_OBJECT(v))->call;
}

bool pageHasMethod(NPObject* object, NPIdentifier id) {
    const auto found = page(object)->properties.find(key(id));
    return found != page(object)->properties.end() && isFunction(found->second);
}

bool pageInvokeDefault(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    return page(object)->call && page(object)->call(args, count, result);
}

bool pageInvoke(NPObject* object, NPIdentifier id, const NPVariant* args, uint32_t count,
                NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    const auto found = page(object)->properties.find(key(id));
    if (found == page(object)->properties.end() || !isFunction(found->second))
        return false;
    return pageInvokeDefault(NPVARIANT_TO_OBJECT(found->second.get()), args, count, result);
}

bool pageGetProperty(NPObject* object, NPIdentifier id, NPVariant* result) {
    VOID_TO_NPVARIANT(*result);
    const auto found = page(object)->properties.find(key(id));
    if (found != page(object)->properties.end())
        found->second.copyTo(*result);
    return true;
}

bool pageSetProperty(NPObject* object, NPIdentifier id, const NPVariant* value) {
    page(object)->properties[key(id)] = Value(*value);
    return true;
}

bool pageRemoveProperty(NPObject* object, NPIdentifier id) {
    page(object)->properties.erase(key(id));
    return true;
}

bool pageEnumerate(NPObject* object, NPIdentifier** names, uint32_t* count) {
    const auto& properties = page(object)->properties;
    *count = static_cast<uint32_t>(properties.size());
    *names = static_cast<NPIdentifier*>(std::malloc(sizeof(NPIdentifier) * (*count + 1)));
    uint32_t i = 0;
    for (const auto& entry : properties)
        (*names)[i++] = stringId(entry.first.c_str());
    return true;
}

NPClass pageClass = {NP_CLASS_STRUCT_VERSION,
                     pageAllocate,
                     pageDeallocate,
                     nullptr,
                     pageHasMethod,
                     pageInvoke,
                     pageInvokeDefault,
                     pageHasProperty,
                     pageGetProperty,
                     pageSetProperty,
                     pageRemoveProperty,
                     pageEnumerate,
                     nullptr};

// ---- dispatch of the NPN object functions through the object's class ----

bool invoke(NPP, NPObject* o, NPIdentifier id, const NPVariant* a, uint32_t n, NPVariant* r) {
    return o->_class->invoke && o->_class->invoke(o, id, a, n, r);
}
bool invokeDefault(NPP, NPObject* o, const NPVariant* a, uint32_t n, NPVariant* r) {
    return o->_class->invokeDefault && o->_class->invokeDefault(o, a, n, r);
}
bool getProperty(NPP, NPObject* o, NPIdentifier id, NPVariant* r) {
    return o->_class->getProperty && o->_class->getProperty(o, id, r);
}
bool setPropertyOf(NPP, NPObject* o, NPIdentifier id, const NPVariant* v) {
    return o->_class->setProperty && o->_class->setProperty(o, id, v);
}
bool removeProperty(NPP, NPObject* o, NPIdentifier id) {
    return o->_class->removeProperty && o->_class->removeProperty(o, id);
}
bool hasProperty(NPP, NPObject* o, NPIdentifier id) {
    return o->_class->hasProperty && o->_class->hasProperty(o, id);
}
bool hasMethod(NPP, NPObject* o, NPIdentifier id) {
    return o->_class->hasMethod && o->_class->hasMethod(o, id);
}
bool enumerate(NPP, NPObject* o, NPIdentifier** ids, uint32_t* n) {
    return o->_class->enumerate && o->_class->enumerate(o, ids, n);
}
bool construct(NPP, NPObject* o, const NPVariant* a, uint32_t n, NPVariant* r) {
    return o->_class->construct && o->_class->construct(o, a, n, r);
}

void* memAlloc(uint32_t size) {
    return std::malloc(size);
}
void memFree(void* p) {
    std::free(p);
}
bool identifierIsString(NPIdentifier id) {
    return identifier(id).isString;
}
NPUTF8* utf8FromIdentifier(NPIdentifier id) {
    const Identifier& ident = identifier(id);
    if (!ident.isString)
        return nullptr;
    auto* copy = static_cast<NPUTF8*>(std::malloc(ident.name.size() + 1));
    std::memcpy(copy, ident.name.c_str(), ident.name.size() + 1);
    return copy;
}
int32_t intFromIdentifier(NPIdentifier id) {
    return identifier(id).number;
}

} // namespace

// ---- values ----

Value::Value() {
    VOID_TO_NPVARIANT(m_v);
}

Value::Value(const NPVariant& v) : Value() {
    m_v = v;
    if (NPVARIANT_IS_STRING(v)) {
        const NPString& s = NPVARIANT_TO_STRING(v);
        auto* chars = static_cast<NPUTF8*>(std::malloc(s.UTF8Length + 1));
        std::memcpy(chars, s.UTF8Characters, s.UTF8Length);
        chars[s.UTF8Length] = 0;
        STRINGN_TO_NPVARIANT(chars, s.UTF8Length, m_v);
    } else if (NPVARIANT_IS_OBJECT(v)) {
        NPVARIANT_TO_OBJECT(v)->referenceCount++;
    }
}

Value::Value(const Value& other) : Value(other.m_v) {}

Value& Value::operator=(const Value& other) {
    if (this != &other) {
        Value copy(other);
        std::swap(m_v, copy.m_v);
    }
    return *this;
}

Value::~Value() {
    if (NPVARIANT_IS_STRING(m_v))
        std::free(const_cast<NPUTF8*>(NPVARIANT_TO_STRING(m_v).UTF8Characters));
    else if (NPVARIANT_IS_OBJECT(m_v))
        FakeBrowser::current().funcs().releaseobject(NPVARIANT_TO_OBJECT(m_v));
}

void Value::copyTo(NPVariant& out) const {
    Value copy(m_v);
    out = copy.m_v;
    VOID_TO_NPVARIANT(copy.m_v);
}

// ---- the browser ----

FakeBrowser::FakeBrowser() {
    if (active)
        throw std::logic_error("one fake browser at a time");
    active = this;
    m_funcs.size = sizeof(NPNetscapeFuncs);
    m_funcs.version = 27;
    m_funcs.memalloc = memAlloc;
    m_funcs.memfree = memFree;
    m_funcs.getvalue = getValue;
    m_funcs.setvalue = setValue;
    m_funcs.getstringidentifier = stringId;
    m_funcs.getintidentifier = intId;
    m_funcs.identifierisstring = identifierIsString;
    m_funcs.utf8fromidentifier = utf8FromIdentifier;
    m_funcs.intfromidentifier = intFromIdentifier;
    m_funcs.createobject = createObject;
    m_funcs.retainobject = retainObject;
    m_funcs.releaseobject = releaseObject;
    m_funcs.invoke = invoke;
    m_funcs.invokeDefault = invokeDefault;
    m_funcs.evaluate = evaluate;
    m_funcs.getproperty = getProperty;
    m_funcs.setproperty = setPropertyOf;
    m_funcs.removeproperty = removeProperty;
    m_funcs.hasproperty = hasProperty;
    m_funcs.hasmethod = hasMethod;
    m_funcs.releasevariantvalue = releaseVariantValue;
    m_funcs.setexception = setException;
    m_funcs.enumerate = enumerate;
    m_funcs.pluginthreadasynccall = asyncCall;
    m_funcs.construct = construct;

    m_window = newObject();
    m_element = newObject();
    PageObject* document = newObject();
    NPVariant v;
    STRINGZ_TO_NPVARIANT("fake page", v);
    setProperty(document, "title", v);
    OBJECT_TO_NPVARIANT(document, v);
    setProperty(m_window, "document", v);
    releaseObject(document);

    // Array and Object, as the host makes arrays and maps for the page.
    PageObject* makeArray = newFunction([this](const NPVariant*, uint32_t, NPVariant* result) {
        PageObject* array = newObject();
        NPVariant length;
        INT32_TO_NPVARIANT(0, length);
        setProperty(array, "length", length);
        PageObject* push = newFunction([array](const NPVariant* args, uint32_t count, NPVariant*) {
            auto& props = array->properties;
            int32_t n = NPVARIANT_TO_INT32(props["length"].get());
            for (uint32_t i = 0; i < count; ++i)
                props[std::to_string(n++)] = Value(args[i]);
            NPVariant newLength;
            INT32_TO_NPVARIANT(n, newLength);
            props["length"] = Value(newLength);
            return true;
        });
        NPVariant fn;
        OBJECT_TO_NPVARIANT(push, fn);
        setProperty(array, "push", fn);
        releaseObject(push);
        OBJECT_TO_NPVARIANT(array, *result);
        return true;
    });
    PageObject* makeObject = newFunction([this](const NPVariant*, uint32_t, NPVariant* result) {
        OBJECT_TO_NPVARIANT(newObject(), *result);
        return true;
    });
    OBJECT_TO_NPVARIANT(makeArray, v);
    setProperty(m_window, "Array", v);
    OBJECT_TO_NPVARIANT(makeObject, v);
    setProperty(m_window, "Object", v);
    releaseObject(makeArray);
    releaseObject(makeObject);
}

FakeBrowser::~FakeBrowser() {
    m_timers.clear();
    // Break the window's references before it goes.
    m_window->properties.clear();
    releaseObject(m_window);
    releaseObject(m_element);
    active = nullptr;
}

FakeBrowser& FakeBrowser::current() {
    if (!active)
        throw std::logic_error("no fake browser");
    return *active;
}

PageObject* FakeBrowser::newObject() {
    return page(createObject(nullptr, &pageClass));
}

PageObject* FakeBrowser::newFunction(Call call) {
    PageObject* function = newObject();
    function->call = std::move(call);
    return function;
}

void FakeBrowser::setProperty(NPObject* object, const std::string& name, const NPVariant& value) {
    object->_class->setProperty(object, stringId(name.c_str()), &value);
}

std::string FakeBrowser::text(const NPVariant& v) {
    if (!NPVARIANT_IS_STRING(v))
        return "<not a string>";
    const NPString& s = NPVARIANT_TO_STRING(v);
    return std::string(s.UTF8Characters, s.UTF8Length);
}

NPObject* FakeBrowser::createObject(NPP npp, NPClass* cls) {
    NPObject* object = cls->allocate ? cls->allocate(npp, cls) : new PageObject();
    object->_class = cls;
    object->referenceCount = 1;
    current().m_live++;
    return object;
}

NPObject* FakeBrowser::retainObject(NPObject* object) {
    if (object)
        object->referenceCount++;
    return object;
}

void FakeBrowser::releaseObject(NPObject* object) {
    if (!object || --object->referenceCount != 0)
        return;
    current().m_live--;
    if (object->_class->deallocate)
        object->_class->deallocate(object);
    else
        delete page(object);
}

void FakeBrowser::releaseVariantValue(NPVariant* v) {
    if (NPVARIANT_IS_STRING(*v))
        std::free(const_cast<NPUTF8*>(NPVARIANT_TO_STRING(*v).UTF8Characters));
    else if (NPVARIANT_IS_OBJECT(*v))
        releaseObject(NPVARIANT_TO_OBJECT(*v));
    VOID_TO_NPVARIANT(*v);
}

NPError FakeBrowser::getValue(NPP, NPNVariable variable, void* value) {
    NPObject* object = nullptr;
    if (variable == NPNVWindowNPObject)
        object = current().m_window;
    else if (variable == NPNVPluginElementNPObject)
        object = current().m_element;
    else
        return NPERR_GENERIC_ERROR;
    *static_cast<NPObject**>(value) = retainObject(object);
    return NPERR_NO_ERROR;
}

NPError FakeBrowser::setValue(NPP, NPPVariable variable, void* value) {
    current().m_setValues.emplace_back(variable, value);
    return NPERR_NO_ERROR;
}

void FakeBrowser::setException(NPObject*, const NPUTF8* message) {
    current().m_lastException = message;
}

// Knows one script: the timer function that the host installs, which is recorded here
// rather than run.
bool FakeBrowser::evaluate(NPP, NPObject* object, NPString* script, NPVariant* result) {
    FakeBrowser& browser = current();
    VOID_TO_NPVARIANT(*result);
    const std::string text(script->UTF8Characters, script->UTF8Length);
    browser.m_evaluated.push_back(text);
    if (browser.evaluateFails)
        return false;
    const std::string prefix = "window.__FB_CALL_";
    if (text.compare(0, prefix.size(), prefix) == 0) {
        const std::string name = text.substr(7, text.find(' ') - 7);
        PageObject* timer = browser.newFunction(
            [&browser](const NPVariant* args, uint32_t count, NPVariant* timerId) {
                if (count < 3 || !NPVARIANT_IS_OBJECT(args[2]))
                    return false;
                Timer t{NPVARIANT_TO_INT32(args[0]), Value(args[1]), {}};
                auto& items = page(NPVARIANT_TO_OBJECT(args[2]))->properties;
                const int32_t length = NPVARIANT_TO_INT32(items["length"].get());
                for (int32_t i = 0; i < length; ++i)
                    t.args.push_back(items[std::to_string(i)]);
                browser.m_timers.push_back(t);
                INT32_TO_NPVARIANT(static_cast<int32_t>(browser.m_timers.size()), *timerId);
                return true;
            });
        NPVariant v;
        OBJECT_TO_NPVARIANT(timer, v);
        browser.setProperty(object, name, v);
        releaseObject(timer);
    }
    return true;
}

void FakeBrowser::runTimers() {
    std::vector<Timer> due;
    due.swap(m_timers);
    for (const Timer& t : due) {
        std::vector<NPVariant> args;
        for (const Value& a : t.args)
            args.push_back(a.get());
        NPVariant result;
        NPObject* f = NPVARIANT_TO_OBJECT(t.function.get());
        if (f->_class->invokeDefault(f, args.data(), static_cast<uint32_t>(args.size()), &result))
            releaseVariantValue(&result);
    }
}

void FakeBrowser::asyncCall(NPP, void (*func)(void*), void* data) {
    FakeBrowser& browser = current();
    std::lock_guard<std::mutex> lock(browser.m_asyncMutex);
    browser.m_async.emplace_back(func, data);
}

std::size_t FakeBrowser::runAsyncCalls() {
    std::vector<std::pair<void (*)(void*), void*>> due;
    {
        std::lock_guard<std::mutex> lock(m_asyncMutex);
        due.swap(m_async);
    }
    for (const auto& [func, data] : due)
        func(data);
    return due.size();
}

std::size_t FakeBrowser::pendingAsyncCalls() {
    std::lock_guard<std::mutex> lock(m_asyncMutex);
    return m_async.size();
}

} // namespace fakenp
