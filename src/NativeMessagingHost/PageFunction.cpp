#include "PageFunction.h"

#include "BrowserHost.h"
#include "script_error.h"

namespace FB::NativeMessaging {

namespace {

[[noreturn]] void unreachable() {
    throw script_error("Only a call of the page function reaches the page");
}

} // namespace

PageFunction::PageFunction(const BrowserHostPtr& host, std::shared_ptr<MessageWriter> writer,
                           std::string instance, std::int64_t id)
    : JSObject(host), m_writer(std::move(writer)), m_instance(std::move(instance)), m_id(id) {}

PageFunction::~PageFunction() {
    m_writer->send(Json{{"type", "release"}, {"instance", m_instance}, {"function", m_id}});
}

bool PageFunction::IsValid() const {
    const BrowserHostPtr host = m_host.lock();
    return host && !host->IsShutDown();
}

variant PageFunction::Invoke(const std::string& name, const VariantList& args) {
    const BrowserHostPtr host = m_host.lock();
    if (!host || host->IsShutDown())
        throw object_invalidated();
    if (!host->IsMainThread())
        return host->CallOnMainThread([this, name, args] { return Invoke(name, args); });
    if (!name.empty())
        unreachable();
    Json arguments = Json::array();
    for (const variant& arg : args)
        arguments.push_back(toJson(arg));
    if (!m_writer->send(Json{{"type", "callback"},
                             {"instance", m_instance},
                             {"function", m_id},
                             {"args", std::move(arguments)}}))
        throw script_error("The page function could not be called");
    return {};
}

void PageFunction::SetProperty(int, const variant&) {
    unreachable();
}

void PageFunction::SetProperty(const std::string&, const variant&) {
    unreachable();
}

void PageFunction::RemoveProperty(int) {
    unreachable();
}

void PageFunction::RemoveProperty(const std::string&) {
    unreachable();
}

variant PageFunction::Construct(const VariantList&) {
    unreachable();
}

} // namespace FB::NativeMessaging
