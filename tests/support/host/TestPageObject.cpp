#include "TestPageObject.h"

#include "BrowserHost.h"
#include "script_error.h"

TestPageObject::TestPageObject(const FB::BrowserHostPtr& host) : FB::JSObject(host) {}

template <class Page> auto TestPageObject::onMainThread(Page page) const {
    const FB::BrowserHostPtr host = m_host.lock();
    if (host && host->IsMainThread())
        return page();
    m_offMainThread = true;
    if (!host)
        throw FB::script_error("The page is gone");
    return host->CallOnMainThread(page);
}

FB::variant TestPageObject::property(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_properties.find(name);
    return found == m_properties.end() ? FB::variant() : found->second;
}

void TestPageObject::GetMemberNames(std::vector<std::string>& names) const {
    onMainThread([&] {
        std::lock_guard<std::mutex> lock(m_mutex);
        names.clear();
        for (const auto& entry : m_properties)
            names.push_back(entry.first);
    });
}

std::size_t TestPageObject::GetMemberCount() const {
    return onMainThread([this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_properties.size();
    });
}

bool TestPageObject::HasMethod(const std::string& name) const {
    return onMainThread([this, name] { return hasMethod(name); });
}

bool TestPageObject::HasProperty(int index) const {
    return HasProperty(std::to_string(index));
}

bool TestPageObject::HasProperty(const std::string& name) const {
    return onMainThread([this, name] {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_properties.count(name) != 0;
    });
}

FB::variant TestPageObject::GetProperty(int index) {
    return GetProperty(std::to_string(index));
}

FB::variant TestPageObject::GetProperty(const std::string& name) {
    return onMainThread([this, name] { return property(name); });
}

void TestPageObject::SetProperty(int index, const FB::variant& value) {
    SetProperty(std::to_string(index), value);
}

void TestPageObject::SetProperty(const std::string& name, const FB::variant& value) {
    onMainThread([this, name, value] {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_properties[name] = value;
    });
}

void TestPageObject::RemoveProperty(int index) {
    RemoveProperty(std::to_string(index));
}

void TestPageObject::RemoveProperty(const std::string& name) {
    onMainThread([this, name] {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_properties.erase(name);
    });
}

FB::variant TestPageObject::Invoke(const std::string& name, const FB::VariantList& args) {
    return onMainThread([this, name, args] { return call(name, args); });
}

FB::variant TestPageObject::Construct(const FB::VariantList&) {
    throw FB::script_error("TypeError: not a constructor");
}
