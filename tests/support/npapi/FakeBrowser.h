#pragma once

#include "npapi_abi.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// A browser of our own for driving the NPAPI host without one: an in-memory object model
// behind a complete browser function table. Page objects hold properties and may be
// callable; objects of other classes (the plug-in's) are reached through their NPClass, as a
// real browser does. One browser exists at a time.
namespace fakenp {

// A page value owned by its holder: strings copied, objects retained.
class Value {
public:
    Value();
    explicit Value(const NPVariant& v);
    Value(const Value& other);
    Value& operator=(const Value& other);
    ~Value();

    const NPVariant& get() const { return m_v; }
    // A copy the receiver owns (NPN_ReleaseVariantValue frees it).
    void copyTo(NPVariant& out) const;

private:
    NPVariant m_v;
};

using Call = std::function<bool(const NPVariant* args, uint32_t count, NPVariant* result)>;

struct PageObject : NPObject {
    std::map<std::string, Value> properties;
    Call call; // set for functions
};

class FakeBrowser {
public:
    FakeBrowser();
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    static FakeBrowser& current();

    // The table as a browser hands it over; `size` may be cut to model an older browser.
    NPNetscapeFuncs& funcs() { return m_funcs; }
    NPP instance() { return &m_instance; }

    PageObject* window() const { return m_window; }
    PageObject* element() const { return m_element; }

    // A new object (one reference, the caller's).
    PageObject* newObject();
    PageObject* newFunction(Call call);
    // Sets a property, e.g. a window function the page defined.
    void setProperty(NPObject* object, const std::string& name, const NPVariant& value);

    static std::string text(const NPVariant& v);

    // Calls queued through NPN_PluginThreadAsyncCall, run now on this thread.
    std::size_t runAsyncCalls();
    std::size_t pendingAsyncCalls();

    // Calls that the timer function installed by InitJS was asked for, run now.
    struct Timer {
        int delay;
        Value function;
        std::vector<Value> args;
    };
    std::vector<Timer>& timers() { return m_timers; }
    void runTimers();

    int liveObjects() const { return m_live; }
    const std::string& lastException() const { return m_lastException; }
    void clearException() { m_lastException.clear(); }
    std::vector<std::pair<NPPVariable, void*>>& setValues() { return m_setValues; }
    std::vector<std::string>& evaluated() { return m_evaluated; }
    bool evaluateFails = false;

private:
    static NPObject* createObject(NPP, NPClass* cls);
    static NPObject* retainObject(NPObject* object);
    static void releaseObject(NPObject* object);
    static void releaseVariantValue(NPVariant* v);
    static NPError getValue(NPP, NPNVariable variable, void* value);
    static NPError setValue(NPP, NPPVariable variable, void* value);
    static void setException(NPObject*, const NPUTF8* message);
    static bool evaluate(NPP, NPObject* object, NPString* script, NPVariant* result);
    static void asyncCall(NPP, void (*func)(void*), void* data);

    NPNetscapeFuncs m_funcs{};
    NPP_t m_instance{};
    PageObject* m_window = nullptr;
    PageObject* m_element = nullptr;
    int m_live = 0;
    std::string m_lastException;
    std::vector<std::pair<NPPVariable, void*>> m_setValues;
    std::vector<std::string> m_evaluated;
    std::vector<Timer> m_timers;
    std::mutex m_asyncMutex;
    std::vector<std::pair<void (*)(void*), void*>> m_async;
};

// Runs what the main thread has been asked to run: the browser's queued calls and, on
// Windows, the messages of this thread's windows.
void pumpMainThread();
// Whether anything waits for pumpMainThread.
bool mainThreadHasWork();

} // namespace fakenp
