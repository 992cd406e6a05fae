#pragma once

#include "PinEntryAbort.h"
#include "PluginCore.h"
#include "WorkerPool.h"

#include <functional>
#include <memory>

// The plug-in object of one Kestrova element. It makes the element's scripting object and owns
// the worker threads of the page's callback calls.
class kestrova : public FB::PluginCore {
public:
    kestrova() = default;
    // Releases the scripting object and the host's retained objects, then waits for workers
    // still running (Shutdown normally has already).
    ~kestrova() override;

    bool HandleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override;
    void OnPluginReady() override {}
    // Ends the PIN entry of this element, if open, and waits until every worker thread has
    // ended; no call starts one afterwards.
    void Shutdown() override;
    // A new kestrovaAPI; empty when it cannot be made, e.g. without the PKCS#11 module.
    FB::JSAPIPtr CreateJSAPI() override;
    bool IsWindowless() override { return false; }

    virtual bool OnMouseDown(FB::PluginEvent*, FB::PluginWindow*) { return false; }
    virtual bool OnMouseUp(FB::PluginEvent*, FB::PluginWindow*) { return false; }
    virtual bool OnMouseMove(FB::PluginEvent*, FB::PluginWindow*) { return false; }
    virtual bool OnWindowAttached(FB::PluginEvent*, FB::PluginWindow*) { return false; }
    virtual bool OnWindowDetached(FB::PluginEvent*, FB::PluginWindow*) { return false; }

    // Runs f on a worker thread of this element, beside any others running.
    void startThread(std::function<void()> f);
    // What this element's calls ask the PIN with; aborted when the element goes.
    const std::shared_ptr<PinEntryAbort>& pinEntry() const { return m_pinEntry; }

private:
    std::shared_ptr<PinEntryAbort> m_pinEntry = std::make_shared<PinEntryAbort>();
    WorkerPool m_workers;
};
