#pragma once

#include "JSObject.h"
#include "variant.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

// An object of the test page. As a browser bridge does, it serves every operation on the
// host's main thread: one arriving on another thread is carried there with CallOnMainThread
// (the caller blocks) and is remembered, since plug-in code should reach the page from a
// worker only by InvokeAsync.
class TestPageObject : public FB::JSObject {
public:
    explicit TestPageObject(const FB::BrowserHostPtr& host);

    // True once any operation was entered on a thread other than the host's main thread.
    bool calledOffMainThread() const { return m_offMainThread; }

    // The property's current value (empty when unset), read without any thread rule.
    FB::variant property(const std::string& name) const;

    void Invalidate() override { m_valid = false; }
    bool IsValid() const override { return m_valid; }
    FB::JSAPIPtr GetJSAPI() const override { return nullptr; }

    void GetMemberNames(std::vector<std::string>& names) const override;
    std::size_t GetMemberCount() const override;
    bool HasMethod(const std::string& name) const override;
    bool HasProperty(int index) const override;
    bool HasProperty(const std::string& name) const override;
    FB::variant GetProperty(int index) override;
    FB::variant GetProperty(const std::string& name) override;
    void SetProperty(int index, const FB::variant& value) override;
    void SetProperty(const std::string& name, const FB::variant& value) override;
    void RemoveProperty(int index) override;
    void RemoveProperty(const std::string& name) override;
    FB::variant Invoke(const std::string& name, const FB::VariantList& args) override;
    FB::variant Construct(const FB::VariantList& args) override;

    using FB::JSAPI::GetMemberNames;
    using FB::JSAPI::GetProperty;
    using FB::JSAPI::HasMethod;
    using FB::JSAPI::HasProperty;
    using FB::JSAPI::Invoke;
    using FB::JSAPI::RemoveProperty;
    using FB::JSAPI::SetProperty;

protected:
    // The page side of a call, on the main thread.
    virtual FB::variant call(const std::string& name, const FB::VariantList& args) = 0;
    virtual bool hasMethod(const std::string& name) const = 0;

private:
    // Runs page on the main thread (see the class comment).
    template <class Page> auto onMainThread(Page page) const;

    mutable std::atomic<bool> m_offMainThread{false};
    std::atomic<bool> m_valid{true};
    mutable std::mutex m_mutex;
    FB::VariantMap m_properties;
};
