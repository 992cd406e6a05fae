#pragma once

#include "APITypes.h"
#include "AsyncCallManager.h"
#include "CrossThreadCall.h"
#include "FunctorCall.h"
#include "variant.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace FB {

// The browser as one plug-in instance sees it. Everything that touches the page happens on the
// browser's main thread, the thread that created the host; other threads get there by queueing
// (ScheduleOnMainThread) or by queueing and waiting (CallOnMainThread). Each browser interface
// supplies a subclass. Hosts are made with std::make_shared.
class BrowserHost : public std::enable_shared_from_this<BrowserHost> {
public:
    BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;
    virtual ~BrowserHost();

    // The browser's handle of the instance.
    virtual const void* GetContextID() const = 0;

    // The page's document, window and the plug-in's element.
    virtual JSObjectPtr GetDOMDocument() = 0;
    virtual JSObjectPtr GetDOMWindow() = 0;
    virtual JSObjectPtr GetDOMElement() = 0;

    virtual void Navigate(const std::string& url, const std::string& target);

    // The origin of the page ("https://example.org") as the browser vouches for it; empty when
    // this face cannot tell.
    virtual std::string GetPageOrigin() const { return {}; }

    virtual void EvaluateJavaScript(const std::wstring& script);
    virtual void EvaluateJavaScript(const std::string& script) = 0;

    // Installs the page-side timer function that DelayedInvoke calls. The handle only needs to
    // be unique among the instances of one page.
    virtual void InitJS(const void* instance);

    // With the HTML log on, writes the message to standard output and the page's console,
    // later, on the main thread.
    virtual void HtmlLog(const std::string& message);
    virtual void SetEnableHtmlLog(bool enabled);

    // Main thread, once the instance goes: shuts the retained objects down, releases them,
    // refuses new calls from now on and runs every queued call that is still pending.
    virtual void Shutdown();

    // Releases browser objects whose release was deferred to the main thread.
    virtual void DoDeferredRelease() = 0;

    // The browser's way of having func(data) called on the main thread later; false when it
    // cannot.
    virtual bool PostToMainThread(void (*func)(void*), void* data) = 0;

    bool IsMainThread() const;
    bool IsShutDown() const;

    // Has func(data) called once on the main thread later, or at Shutdown if that comes
    // first; false when the host is shut down or the browser refuses.
    bool ScheduleAsyncCall(void (*func)(void*), void* data);

    // Queues func on the main thread and returns at once, even on the main thread. The call
    // does nothing once object is gone; script failures in it are dropped, and so is the call
    // itself when it cannot be queued.
    template <class C, class Functor>
    void ScheduleOnMainThread(const std::shared_ptr<C>& object, Functor func) {
        scheduleOnMainThread(std::make_unique<FunctorCallImpl<Functor>>(
            std::weak_ptr<const void>(object), std::move(func)));
    }

    // func's result, computed on the main thread: at once when called there, otherwise
    // queued while the calling thread waits. Fails with "Could not marshal to main thread"
    // when the call cannot be queued, with "Shutting down" when the host shuts down before
    // it ran, and with the page's message when it threw a script error.
    template <class Functor> auto CallOnMainThread(Functor func) {
        using Result = std::invoke_result_t<Functor&>;
        if (IsMainThread())
            return func();
        variant result =
            callOnMainThread(std::make_unique<FunctorCallImpl<Functor>>(std::move(func)));
        if constexpr (!std::is_void_v<Result>)
            return result.convert_to<Result>();
    }

    // Keeps a scripting object alive while the page can still reach it; each retain is
    // balanced by one release.
    void RetainJSAPIPtr(const JSAPIPtr& object);
    void ReleaseJSAPIPtr(const JSAPIPtr& object);
    void FreeRetainedObjects();

    // Has the page's own timer call func (or its method named method) with args after
    // delayMilliseconds. The timer's id, or -1 when there is no page window or InitJS has not
    // installed the timer function.
    int DelayedInvoke(int delayMilliseconds, const JSObjectPtr& func, const VariantList& args,
                      const std::string& method = "");

private:
    bool scheduleCall(std::function<void()> call);
    void scheduleOnMainThread(std::unique_ptr<FunctorCall> call);
    variant callOnMainThread(std::unique_ptr<FunctorCall> call);

    const std::thread::id m_mainThread;
    std::atomic<bool> m_shutDown{false};
    const std::shared_ptr<AsyncCallManager> m_callManager;
    std::recursive_mutex m_hostMutex;

    std::mutex m_retainedMutex;
    std::vector<JSAPIPtr> m_retained;

    std::atomic<bool> m_htmlLog{true};
    std::string m_uniqueId;
    std::string m_timerFunction;
};

} // namespace FB
