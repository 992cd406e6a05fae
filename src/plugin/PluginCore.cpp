#include "PluginCore.h"

#include "BrowserHost.h"
#include "JSObject.h"
#include "PluginWindow.h"

#include <atomic>
#include <stdexcept>

namespace FB {

namespace {
std::atomic<int> activePlugins{0};
}

std::string PluginCore::OS;
std::string PluginCore::Browser;

PluginCore::PluginCore() {
    ++activePlugins;
}

PluginCore::~PluginCore() {
    if (m_host)
        m_host->Shutdown();
    --activePlugins;
}

int PluginCore::ActivePluginCount() {
    return activePlugins.load();
}

void PluginCore::SetHost(const BrowserHostPtr& host) {
    m_host = host;
}

PluginWindow* PluginCore::GetWindow() const {
    return m_window;
}

void PluginCore::SetScriptingOnly(bool scriptingOnly) {
    m_scriptingOnly = scriptingOnly;
}

bool PluginCore::IsScriptingOnly() const {
    return m_scriptingOnly;
}

void PluginCore::SetWindow(PluginWindow* window) {
    if (m_window && m_window != window)
        ClearWindow();
    m_window = window;
    if (window)
        window->AttachObserver(shared_from_this());
}

void PluginCore::ClearWindow() {
    if (!m_window)
        return;
    m_window->DetachObserver(shared_from_this());
    m_window = nullptr;
}

bool PluginCore::SetReady() {
    bool scheduled = false;
    try {
        const auto onload = m_params.find("onload");
        if (onload != m_params.end() && m_host) {
            m_host->InitJS(this);
            if (const JSObjectPtr function = onload->second.convert_to<JSObjectPtr>())
                scheduled = m_host->DelayedInvoke(250, function, VariantList{GetRootJSAPI()}) >= 0;
        }
    } catch (...) {
        scheduled = false;
    }
    OnPluginReady();
    return scheduled;
}

JSAPIPtr PluginCore::GetRootJSAPI() {
    if (!m_api)
        m_api = CreateJSAPI();
    return m_api;
}

bool PluginCore::IsWindowless() {
    if (!m_windowless) {
        bool windowless = false;
        try {
            const auto found = m_params.find("windowless");
            if (found != m_params.end())
                windowless = found->second.convert_to<bool>();
        } catch (const std::exception&) {
            windowless = false;
        }
        m_windowless = windowless;
    }
    return *m_windowless;
}

void PluginCore::SetFSPath(const std::string& path) {
    m_filesystemPath = path;
}

std::string PluginCore::GetFSPath() const {
    return m_filesystemPath;
}

void PluginCore::SetParams(const VariantMap& params) {
    for (const auto& [name, value] : params) {
        try {
            const std::string text = value.convert_to<std::string>();
            if (name.compare(0, 2, "on") == 0) {
                // The value names a function of the page.
                const JSObjectPtr window = m_host ? m_host->GetDOMWindow() : nullptr;
                if (!window)
                    throw std::runtime_error("no page window");
                m_params[name] = window->GetProperty(text).convert_to<JSObjectPtr>();
            } else {
                m_params[name] = value;
            }
        } catch (const std::exception&) {
            m_params[name] = value;
        }
    }
}

std::optional<std::string> PluginCore::GetParam(const std::string& name) {
    const auto found = m_params.find(name);
    if (found == m_params.end())
        return std::nullopt;
    return found->second.convert_to<std::string>();
}

} // namespace FB
