#pragma once

#include "BrowserHost.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class FakeWindow;

// A browser host whose main thread is the test: calls posted to the main thread wait in a
// queue until the thread that created the host runs them with runPending or runUntil.
class TestBrowserHost : public FB::BrowserHost {
public:
    // The calling thread becomes the host's main thread.
    static std::shared_ptr<TestBrowserHost> create();

    const void* GetContextID() const override { return this; }
    FB::JSObjectPtr GetDOMDocument() override { return nullptr; }
    // The window made by addWindow, or none.
    FB::JSObjectPtr GetDOMWindow() override;
    FB::JSObjectPtr GetDOMElement() override { return nullptr; }
    // Records the script; "window.NAME = function" in it defines NAME on the window.
    void EvaluateJavaScript(const std::string& script) override;
    void DoDeferredRelease() override;
    bool PostToMainThread(void (*func)(void*), void* data) override;
    using FB::BrowserHost::EvaluateJavaScript;

    // Gives the page a window (replacing any earlier one) and returns it.
    std::shared_ptr<FakeWindow> addWindow();
    void removeWindow();
    std::shared_ptr<FakeWindow> window() const;

    // While set, PostToMainThread refuses, as a browser that cannot take the call.
    void setRefusePosts(bool refuse);

    // Main thread only. Runs queued calls, those queued meanwhile too, until the queue is
    // empty; the number run.
    std::size_t runPending();
    // Main thread only. Runs queued calls as they come until done() holds (true) or the
    // timeout passes (false).
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));

    std::size_t pendingCount() const;
    std::vector<std::string> scripts() const;
    int deferredReleaseCount() const;

private:
    void requireMainThread(const char* operation) const;
    bool runOne();

    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::pair<void (*)(void*), void*>> m_queue;
    bool m_refusePosts = false;
    std::vector<std::string> m_scripts;
    int m_deferredReleases = 0;
    std::shared_ptr<FakeWindow> m_window;
};
