#include "PluginWindow.h"

#include <algorithm>

namespace FB {

void PluginEventSource::AttachObserver(const PluginEventSinkPtr& sink) {
    m_observers.push_back(sink);
}

void PluginEventSource::DetachObserver(const PluginEventSinkPtr& sink) {
    m_observers.erase(std::remove_if(m_observers.begin(), m_observers.end(),
                                     [&](const std::weak_ptr<PluginEventSink>& o) {
                                         const PluginEventSinkPtr held = o.lock();
                                         return !held || held == sink;
                                     }),
                      m_observers.end());
}

bool PluginEventSource::SendEvent(PluginEvent* event) {
    const auto observers = m_observers;
    for (const auto& o : observers) {
        if (const PluginEventSinkPtr sink = o.lock()) {
            if (sink->HandleEvent(event, this))
                return true;
        }
    }
    return false;
}

} // namespace FB
