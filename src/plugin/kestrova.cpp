#include "kestrova.h"

#include "BrowserHost.h"
#include "PluginWindow.h"
#include "kestrovaAPI.h"

kestrova::~kestrova() {
    m_api.reset();
    if (m_host)
        m_host->FreeRetainedObjects();
    m_pinEntry->abort();
    m_workers.joinAll();
}

bool kestrova::HandleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) {
    auto* window = dynamic_cast<FB::PluginWindow*>(source);
    if (!window)
        return false;
    if (dynamic_cast<FB::MouseDownEvent*>(event))
        return OnMouseDown(event, window);
    if (dynamic_cast<FB::MouseUpEvent*>(event))
        return OnMouseUp(event, window);
    if (dynamic_cast<FB::MouseMoveEvent*>(event))
        return OnMouseMove(event, window);
    if (dynamic_cast<FB::AttachedEvent*>(event))
        return OnWindowAttached(event, window);
    if (dynamic_cast<FB::DetachedEvent*>(event))
        return OnWindowDetached(event, window);
    return false;
}

void kestrova::Shutdown() {
    // The page is gone: nobody is left to answer the dialog, and the browser waits here.
    m_pinEntry->abort();
    m_workers.joinAll();
}

FB::JSAPIPtr kestrova::CreateJSAPI() {
    try {
        return std::make_shared<kestrovaAPI>(std::static_pointer_cast<kestrova>(shared_from_this()),
                                             m_host);
    } catch (...) {
        return nullptr;
    }
}

void kestrova::startThread(std::function<void()> f) {
    m_workers.run(std::move(f));
}
