#include "NpapiWinHost.h"

#include "Store.h"
#include "TestEnv.h"

#include <atomic>

namespace fs = std::filesystem;

PageValue PageValue::of(const NPVariant& v) {
    PageValue value;
    value.type = v.type;
    if (NPVARIANT_IS_BOOLEAN(v))
        value.boolean = NPVARIANT_TO_BOOLEAN(v);
    else if (NPVARIANT_IS_INT32(v))
        value.integer = NPVARIANT_TO_INT32(v);
    else if (NPVARIANT_IS_STRING(v))
        value.text = fakenp::FakeBrowser::text(v);
    else if (NPVARIANT_IS_OBJECT(v))
        value.object = NPVARIANT_TO_OBJECT(v);
    return value;
}

PageFunction::PageFunction() : m_calls(std::make_shared<std::vector<PageCall>>()) {
    m_function = fakenp::FakeBrowser::current().newFunction(
        [calls = m_calls](const NPVariant* args, uint32_t count, NPVariant*) {
            PageCall call{GetCurrentThreadId(), {}};
            for (uint32_t i = 0; i < count; ++i)
                call.args.push_back(PageValue::of(args[i]));
            calls->push_back(call);
            return true;
        });
}

PageFunction::~PageFunction() {
    fakenp::FakeBrowser::current().funcs().releaseobject(m_function);
}

NPVariant PageFunction::variant() const {
    NPVariant v;
    OBJECT_TO_NPVARIANT(m_function, v);
    return v;
}

NpapiWinHost::NpapiWinHost() {
    // A token directory per test: the module reads it when the plug-in initialises it.
    static std::atomic<int> count{0};
    tokenDir = folder.gui.path() / ("token" + std::to_string(++count));
    fs::create_directory(tokenDir);
    setEnvironment("KVSOFTTOKEN_DIR", tokenDir.string());
    configure(pinSlot());
    folder.gui.setScript(pinAnswer());
}

void NpapiWinHost::SetUp() {
    pageObjectsAtStart = browser.liveObjects();
    initializeModule();
}

void NpapiWinHost::initializeModule() {
    plugin = NPPluginFuncs{};
    plugin.size = sizeof(plugin);
    ASSERT_EQ(folder.getEntryPoints(&plugin), NPERR_NO_ERROR);
    ASSERT_EQ(folder.initialize(&browser.funcs()), NPERR_NO_ERROR);
    m_initialized = true;
}

void NpapiWinHost::shutdownModule() {
    m_initialized = false;
    EXPECT_EQ(folder.shutdown(), NPERR_NO_ERROR);
}

void NpapiWinHost::TearDown() {
    while (!m_live.empty()) {
        EXPECT_EQ(destroyInstance(*m_live.begin()), NPERR_NO_ERROR);
    }
    for (NPObject* object : m_retained)
        browser.funcs().releaseobject(object);
    m_retained.clear();
    if (m_initialized)
        shutdownModule();
    // Whatever the module still posted to its windows is delivered before the browser goes.
    pumpFor(50);
}

void NpapiWinHost::configure(const std::string& slots) {
    softtoken::Store(tokenDir).writeConfig(slots);
}

NPError NpapiWinHost::newInstance(const Params& params, NPP instance) {
    if (!instance)
        instance = browser.instance();
    std::vector<char*> names;
    std::vector<char*> values;
    for (const auto& [name, value] : params) {
        names.push_back(const_cast<char*>(name.c_str()));
        values.push_back(const_cast<char*>(value.c_str()));
    }
    char mimeType[] = "application/x-kestrova";
    const NPError error =
        plugin.newp(mimeType, instance, NP_EMBED, static_cast<int16_t>(names.size()), names.data(),
                    values.data(), nullptr);
    if (error == NPERR_NO_ERROR)
        m_live.insert(instance);
    return error;
}

NPError NpapiWinHost::destroyInstance(NPP instance) {
    if (!instance)
        instance = browser.instance();
    m_live.erase(instance);
    return plugin.destroy(instance, nullptr);
}

NPObject* NpapiWinHost::scriptable(NPP instance) {
    NPObject* object = nullptr;
    if (plugin.getvalue(instance ? instance : browser.instance(), NPPVpluginScriptableNPObject,
                        &object) != NPERR_NO_ERROR ||
        !object)
        return nullptr;
    m_retained.push_back(object);
    return object;
}

bool NpapiWinHost::invoke(NPObject* object, const std::string& name,
                          const std::vector<NPVariant>& args, PageValue* result) {
    NPNetscapeFuncs& npn = browser.funcs();
    NPVariant value;
    VOID_TO_NPVARIANT(value);
    const bool ok = npn.invoke(browser.instance(), object, npn.getstringidentifier(name.c_str()),
                               args.data(), static_cast<uint32_t>(args.size()), &value);
    *result = PageValue::of(value);
    npn.releasevariantvalue(&value);
    return ok;
}

PageValue NpapiWinHost::call(const std::string& name, const std::vector<NPVariant>& args) {
    PageValue result;
    NPObject* object = scriptable();
    EXPECT_TRUE(object) << "no scripting object";
    if (object) {
        EXPECT_TRUE(invoke(object, name, args, &result)) << name << ": " << browser.lastException();
    }
    return result;
}

bool NpapiWinHost::getProperty(NPObject* object, const std::string& name, PageValue* result) {
    NPNetscapeFuncs& npn = browser.funcs();
    NPVariant value;
    VOID_TO_NPVARIANT(value);
    const bool ok =
        npn.getproperty(browser.instance(), object, npn.getstringidentifier(name.c_str()), &value);
    *result = PageValue::of(value);
    npn.releasevariantvalue(&value);
    return ok;
}

bool NpapiWinHost::pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        browserQueuedCalls += browser.runAsyncCalls();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        // Wakes for a posted message at once; the browser's own queue is polled.
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)),
                                  QS_ALLINPUT);
    }
}

void NpapiWinHost::pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

NPVariant NpapiWinHost::text(const char* value) {
    NPVariant v;
    STRINGZ_TO_NPVARIANT(value, v);
    return v;
}

NPVariant NpapiWinHost::null() {
    NPVariant v;
    NULL_TO_NPVARIANT(v);
    return v;
}
