#pragma once

#include "APITypes.h"
#include "PluginEvents.h"
#include "variant.h"

#include <optional>
#include <string>

namespace FB {

class PluginWindow;

// The plug-in object of one embedded element: what the hosts give it (browser host, module
// path, parameters, window) and the element's root scripting object.
class PluginCore : public PluginEventSink {
public:
    PluginCore();
    PluginCore(const PluginCore&) = delete;
    PluginCore& operator=(const PluginCore&) = delete;
    // Shuts the host down.
    ~PluginCore() override;

    virtual void SetHost(const BrowserHostPtr& host);
    virtual PluginWindow* GetWindow() const;
    virtual void SetScriptingOnly(bool scriptingOnly);
    virtual bool IsScriptingOnly() const;
    virtual void SetWindow(PluginWindow* window);
    virtual void ClearWindow();
    // The element and its scripting object can be used: schedules the "onload" function with
    // the root scripting object. True when it was scheduled.
    virtual bool SetReady();
    virtual void OnPluginReady() {}
    // The element goes away.
    virtual void Shutdown() {}
    virtual JSAPIPtr CreateJSAPI() = 0;
    // Created on first request and kept; an empty result is not kept, so the next request
    // tries again.
    virtual JSAPIPtr GetRootJSAPI();
    virtual bool IsWindowless();
    virtual void SetFSPath(const std::string& path);
    virtual std::string GetFSPath() const;
    // Parameters whose name begins with "on" name page functions, stored as page objects.
    virtual void SetParams(const VariantMap& params);
    // The parameter as text; nothing when absent.
    virtual std::optional<std::string> GetParam(const std::string& name);

    // Plug-in objects alive in the process.
    static int ActivePluginCount();
    // The operating system and browser that the host reported at start-up.
    static std::string OS;
    static std::string Browser;

protected:
    BrowserHostPtr m_host;
    std::string m_filesystemPath;
    VariantMap m_params;
    PluginWindow* m_window = nullptr;
    JSAPIPtr m_api;
    std::optional<bool> m_windowless;
    bool m_scriptingOnly = false;
};

using PluginCorePtr = std::shared_ptr<PluginCore>;

} // namespace FB
