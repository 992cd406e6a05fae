#pragma once

#include <memory>

namespace FB {

// Something that happened to a plug-in's window; the hosts send the concrete kinds below.
class PluginEvent {
public:
    virtual ~PluginEvent() = default;
};

class MouseDownEvent : public PluginEvent {};
class MouseUpEvent : public PluginEvent {};
class MouseMoveEvent : public PluginEvent {};
class AttachedEvent : public PluginEvent {};
class DetachedEvent : public PluginEvent {};

class PluginEventSource;

// Receives the events of the sources it is registered with.
class PluginEventSink : public std::enable_shared_from_this<PluginEventSink> {
public:
    virtual ~PluginEventSink() = default;
    // True when the event was handled.
    virtual bool HandleEvent(PluginEvent* event, PluginEventSource* source) = 0;
};

using PluginEventSinkPtr = std::shared_ptr<PluginEventSink>;

} // namespace FB
