#pragma once

#include "PluginEvents.h"

#include <memory>
#include <vector>

namespace FB {

// Sends events to the sinks registered with it; holds them weakly, so a sink that is gone is
// skipped.
class PluginEventSource {
public:
    virtual ~PluginEventSource() = default;

    void AttachObserver(const PluginEventSinkPtr& sink);
    void DetachObserver(const PluginEventSinkPtr& sink);
    // True when a sink handled the event; later sinks are then not asked.
    bool SendEvent(PluginEvent* event);

private:
    std::vector<std::weak_ptr<PluginEventSink>> m_observers;
};

// The window of one plug-in element; each host supplies its platform's kind.
class PluginWindow : public PluginEventSource {};

} // namespace FB
