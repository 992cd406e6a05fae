#include "NativeBrowserHost.h"

#include "script_error.h"

namespace FB::NativeMessaging {

NativeBrowserHost::NativeBrowserHost(std::shared_ptr<MessageLoop> loop, std::string origin)
    : m_loop(std::move(loop)), m_origin(std::move(origin)) {}

void NativeBrowserHost::EvaluateJavaScript(const std::string&) {
    throw script_error("Error executing JavaScript code");
}

bool NativeBrowserHost::PostToMainThread(void (*func)(void*), void* data) {
    return m_loop->post([func, data] { func(data); });
}

} // namespace FB::NativeMessaging
