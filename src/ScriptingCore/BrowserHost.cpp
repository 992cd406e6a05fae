#include "BrowserHost.h"

#include "JSObject.h"
#include "Utf.h"
#include "script_error.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>

namespace FB {

namespace {

using HostLock = std::lock_guard<std::recursive_mutex>;

const char* const timerScript =
    "window.__FB_CALL_%1% = function(delay, f, args, fname) {"
    "   if (arguments.length == 3)"
    "       return setTimeout(function() { f.apply(null, args); }, delay);"
    "   else"
    "       return setTimeout(function() { f[fname].apply(f, args); }, delay);"
    "};";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

BrowserHost::BrowserHost()
    : m_mainThread(std::this_thread::get_id()),
      m_callManager(std::make_shared<AsyncCallManager>()) {}

BrowserHost::~BrowserHost() = default;

void BrowserHost::Navigate(const std::string&, const std::string&) {}

void BrowserHost::EvaluateJavaScript(const std::wstring& script) {
    EvaluateJavaScript(wideToUtf8(script));
}

void BrowserHost::InitJS(const void* instance) {
    // Wide enough that a 32-bit handle plus its eighth cannot wrap.
    const auto handle = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(instance));
    const std::string id = std::to_string(handle + handle / 8);
    {
        HostLock lock(m_hostMutex);
        m_uniqueId = id;
        m_timerFunction = "__FB_CALL_" + id;
    }
    EvaluateJavaScript(replaceAll(timerScript, "%1%", id));
}

void BrowserHost::HtmlLog(const std::string& message) {
    if (!m_htmlLog)
        return;
    ScheduleOnMainThread(shared_from_this(), [this, message] {
        std::printf("Logging: %s\n", message.c_str());
        std::fflush(stdout);
        try {
            const JSObjectPtr window = GetDOMWindow();
            if (window && window->HasProperty("console")) {
                const auto console = window->GetProperty("console").convert_to<JSObjectPtr>();
                if (console)
                    console->Invoke("log", VariantList{variant(message)});
            }
        } catch (const std::exception&) {
        }
    });
}

void BrowserHost::SetEnableHtmlLog(bool enabled) {
    m_htmlLog = enabled;
}

void BrowserHost::Shutdown() {
    {
        std::vector<JSAPIPtr> retained;
        {
            std::lock_guard<std::mutex> lock(m_retainedMutex);
            retained = m_retained;
        }
        for (const JSAPIPtr& object : retained)
            object->Shutdown();
    }
    FreeRetainedObjects();

    HostLock lock(m_hostMutex);
    m_shutDown = true;
    m_callManager->Shutdown();
}

bool BrowserHost::IsMainThread() const {
    return std::this_thread::get_id() == m_mainThread;
}

bool BrowserHost::IsShutDown() const {
    return m_shutDown;
}

bool BrowserHost::ScheduleAsyncCall(void (*func)(void*), void* data) {
    return scheduleCall([func, data] { func(data); });
}

bool BrowserHost::scheduleCall(std::function<void()> call) {
    // Under the host mutex, so that a call is either queued before Shutdown runs the pending
    // ones, or refused.
    HostLock lock(m_hostMutex);
    if (m_shutDown)
        return false;
    return m_callManager->ScheduleCall(std::move(call), [this](void (*func)(void*), void* data) {
        return PostToMainThread(func, data);
    });
}

void BrowserHost::scheduleOnMainThread(std::unique_ptr<FunctorCall> functor) {
    HostLock lock(m_hostMutex);
    auto call = std::make_shared<CrossThreadCall>(std::move(functor));
    scheduleCall([call] { call->RunAsync(); });
}

variant BrowserHost::callOnMainThread(std::unique_ptr<FunctorCall> functor) {
    auto call = std::make_shared<CrossThreadCall>(std::move(functor));
    const std::weak_ptr<CrossThreadCall> weakCall = call;
    if (!scheduleCall([weakCall] { CrossThreadCall::RunSync(weakCall); }))
        throw script_error("Could not marshal to main thread");
    return call->WaitForResult([this] { return IsShutDown(); });
}

void BrowserHost::RetainJSAPIPtr(const JSAPIPtr& object) {
    std::lock_guard<std::mutex> lock(m_retainedMutex);
    m_retained.push_back(object);
}

void BrowserHost::ReleaseJSAPIPtr(const JSAPIPtr& object) {
    JSAPIPtr released; // dropped after the lock, in case its destructor comes back here
    std::lock_guard<std::mutex> lock(m_retainedMutex);
    const auto found = std::find(m_retained.begin(), m_retained.end(), object);
    if (found != m_retained.end()) {
        released = std::move(*found);
        m_retained.erase(found);
    }
}

void BrowserHost::FreeRetainedObjects() {
    std::vector<JSAPIPtr> released;
    {
        std::lock_guard<std::mutex> lock(m_retainedMutex);
        released.swap(m_retained);
    }
    released.clear();
    DoDeferredRelease();
}

int BrowserHost::DelayedInvoke(int delayMilliseconds, const JSObjectPtr& func,
                               const VariantList& args, const std::string& method) {
    std::string timerFunction;
    {
        HostLock lock(m_hostMutex);
        timerFunction = m_timerFunction;
    }
    JSObjectPtr window;
    try {
        window = GetDOMWindow();
    } catch (const std::exception&) {
    }
    if (!window || timerFunction.empty())
        return -1;
    VariantList timerArgs{variant(delayMilliseconds), variant(func), variant(args)};
    if (!method.empty())
        timerArgs.push_back(variant(method));
    return window->Invoke(timerFunction, timerArgs).convert_to<int>();
}

} // namespace FB
