#include "RecordingFunction.h"

#include "BrowserHost.h"
#include "script_error.h"

std::shared_ptr<RecordingFunction> RecordingFunction::create(const FB::BrowserHostPtr& host) {
    return std::make_shared<RecordingFunction>(host);
}

RecordingFunction::RecordingFunction(const FB::BrowserHostPtr& host) : TestPageObject(host) {}

void RecordingFunction::throwScriptError(const std::string& message) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = message;
}

void RecordingFunction::returnValue(const FB::variant& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_result = value;
}

std::vector<RecordingFunction::Call> RecordingFunction::calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

std::size_t RecordingFunction::callCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls.size();
}

FB::VariantList RecordingFunction::args(std::size_t index) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls.at(index).args;
}

FB::variant RecordingFunction::call(const std::string& name, const FB::VariantList& args) {
    const FB::BrowserHostPtr host = m_host.lock();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(Call{name, args, std::this_thread::get_id(), host && host->IsMainThread()});
    if (m_error)
        throw FB::script_error(*m_error);
    return m_result;
}
