#pragma once

#include "FakeBrowser.h"
#include "PluginFolder.h"
#include "TokenConfig.h"
#include "npapi_abi.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A page value as the test saw it; an object is named, not owned.
struct PageValue {
    NPVariantType type = NPVariantType_Void;
    bool boolean = false;
    int32_t integer = 0;
    std::string text;
    NPObject* object = nullptr;

    static PageValue of(const NPVariant& v);
};

// One call the plug-in made of a page function.
struct PageCall {
    DWORD thread;
    std::vector<PageValue> args;
};

// A function of the page that records its calls. The browser's object may outlive this
// holder (the plug-in may keep a reference), so the record is shared with it.
class PageFunction {
public:
    PageFunction();
    ~PageFunction();
    PageFunction(const PageFunction&) = delete;
    PageFunction& operator=(const PageFunction&) = delete;

    NPVariant variant() const;
    NPObject* object() const { return m_function; }
    const std::vector<PageCall>& calls() const { return *m_calls; }

private:
    std::shared_ptr<std::vector<PageCall>> m_calls;
    fakenp::PageObject* m_function;
};

using Params = std::vector<std::pair<std::string, std::string>>;

// The browser: the fake browser's function table and object model handed to the module by
// NP_Initialize, the module's table from NP_GetEntryPoints, one instance of the plug-in, and
// the message loop of the main thread (the test's thread). Every test runs the module from
// NP_GetEntryPoints to NP_Shutdown on a token directory of its own.
class NpapiWinHost : public ::testing::Test {
protected:
    NpapiWinHost();

    // A browser without NPN_PluginThreadAsyncCall is modelled before SetUp.
    void SetUp() override;
    void TearDown() override;

    // NP_GetEntryPoints and NP_Initialize, as SetUp does; NP_Shutdown, as TearDown does.
    void initializeModule();
    void shutdownModule();
    // Writes the software token's configuration.
    void configure(const std::string& slots);
    // An element of the page; the browser's own instance unless another is given.
    NPError newInstance(const Params& params = {}, NPP instance = nullptr);
    NPError destroyInstance(NPP instance = nullptr);
    // The element's scripting object, retained for the test until TearDown.
    NPObject* scriptable(NPP instance = nullptr);

    // What the page does with an object.
    bool invoke(NPObject* object, const std::string& name, const std::vector<NPVariant>& args,
                PageValue* result);
    PageValue call(const std::string& name, const std::vector<NPVariant>& args = {});
    bool getProperty(NPObject* object, const std::string& name, PageValue* result);

    // The main thread's message loop: dispatches the thread's window messages and the calls
    // queued with NPN_PluginThreadAsyncCall until done() or the timeout.
    bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 60000);
    void pumpFor(DWORD ms);

    static NPVariant text(const char* value);
    static NPVariant null();

    PluginFolder& folder = PluginFolder::get();
    fakenp::FakeBrowser browser;
    NPPluginFuncs plugin{};
    std::filesystem::path tokenDir;
    DWORD mainThread = GetCurrentThreadId();
    // Calls the module queued through NPN_PluginThreadAsyncCall.
    std::size_t browserQueuedCalls = 0;
    // The page's own objects (window, document, ...) when the module was initialised.
    int pageObjectsAtStart = 0;

private:
    bool m_initialized = false;
    std::set<NPP> m_live;
    std::vector<NPObject*> m_retained;
};
