#include "TestBrowserHost.h"

#include "FakeWindow.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

bool isNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

// The names of "window.NAME = function" in a script.
std::vector<std::string> definedFunctions(const std::string& script) {
    std::vector<std::string> names;
    const std::string prefix = "window.";
    for (auto at = script.find(prefix); at != std::string::npos; at = script.find(prefix, at)) {
        at += prefix.size();
        auto end = at;
        while (end < script.size() && isNameCharacter(script[end]))
            ++end;
        auto next = script.find_first_not_of(' ', end);
        if (end == at || next == std::string::npos || script[next] != '=')
            continue;
        next = script.find_first_not_of(' ', next + 1);
        if (next != std::string::npos && script.compare(next, 8, "function") == 0)
            names.push_back(script.substr(at, end - at));
    }
    return names;
}

} // namespace

std::shared_ptr<TestBrowserHost> TestBrowserHost::create() {
    return std::make_shared<TestBrowserHost>();
}

FB::JSObjectPtr TestBrowserHost::GetDOMWindow() {
    return window();
}

void TestBrowserHost::EvaluateJavaScript(const std::string& script) {
    std::shared_ptr<FakeWindow> page;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_scripts.push_back(script);
        page = m_window;
    }
    if (!page)
        return;
    for (const std::string& name : definedFunctions(script))
        page->define(name);
}

void TestBrowserHost::DoDeferredRelease() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_deferredReleases;
}

bool TestBrowserHost::PostToMainThread(void (*func)(void*), void* data) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_refusePosts)
            return false;
        m_queue.emplace_back(func, data);
    }
    m_posted.notify_all();
    return true;
}

std::shared_ptr<FakeWindow> TestBrowserHost::addWindow() {
    auto page = std::make_shared<FakeWindow>(shared_from_this());
    std::lock_guard<std::mutex> lock(m_mutex);
    m_window = page;
    return page;
}

void TestBrowserHost::removeWindow() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_window.reset();
}

std::shared_ptr<FakeWindow> TestBrowserHost::window() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_window;
}

void TestBrowserHost::setRefusePosts(bool refuse) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_refusePosts = refuse;
}

void TestBrowserHost::requireMainThread(const char* operation) const {
    if (!IsMainThread())
        throw std::logic_error(std::string(operation) + " must run on the host's main thread");
}

bool TestBrowserHost::runOne() {
    std::pair<void (*)(void*), void*> call;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.empty())
            return false;
        call = m_queue.front();
        m_queue.pop_front();
    }
    call.first(call.second);
    return true;
}

std::size_t TestBrowserHost::runPending() {
    requireMainThread("runPending");
    std::size_t count = 0;
    while (runOne())
        ++count;
    return count;
}

bool TestBrowserHost::runUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
    requireMainThread("runUntil");
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        runPending();
        if (done())
            return true;
        std::unique_lock<std::mutex> lock(m_mutex);
        // Short waits: done() may turn true without anything being posted.
        const auto next =
            std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
        m_posted.wait_until(lock, next, [this] { return !m_queue.empty(); });
        if (std::chrono::steady_clock::now() >= deadline && m_queue.empty()) {
            lock.unlock();
            return done();
        }
    }
}

std::size_t TestBrowserHost::pendingCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
}

std::vector<std::string> TestBrowserHost::scripts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_scripts;
}

int TestBrowserHost::deferredReleaseCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_deferredReleases;
}
