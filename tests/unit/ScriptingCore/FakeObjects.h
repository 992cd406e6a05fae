#pragma once

#include "JSAPIImpl.h"
#include "JSObject.h"
#include "script_error.h"

#include <string>
#include <utility>
#include <vector>

// A page object as a browser bridge would present it: named properties, optionally a wrapped
// plug-in object, and a record of the asynchronous calls made on it.
class FakePageObject : public FB::JSObject {
public:
    explicit FakePageObject(FB::VariantMap props = {}, FB::JSAPIPtr wrapped = nullptr)
        : FB::JSObject(nullptr), properties(std::move(props)), wrapped(std::move(wrapped)) {}

    FB::VariantMap properties;
    FB::JSAPIPtr wrapped;
    bool failReads = false;
    bool valid = true;
    const void* eventId = this;
    const void* eventContext = nullptr;
    bool optimized = false;
    std::vector<std::pair<std::string, FB::VariantList>> asyncCalls;
    std::vector<std::size_t> batchSizes; // handlers per batched call

    void Invalidate() override { valid = false; }
    void GetMemberNames(std::vector<std::string>& names) const override {
        names.clear();
        for (const auto& entry : properties)
            names.push_back(entry.first);
    }
    std::size_t GetMemberCount() const override { return properties.size(); }
    bool HasMethod(const std::string&) const override { return false; }
    bool HasProperty(int index) const override { return HasProperty(std::to_string(index)); }
    bool HasProperty(const std::string& name) const override { return properties.count(name); }
    FB::variant GetProperty(int index) override { return GetProperty(std::to_string(index)); }
    FB::variant GetProperty(const std::string& name) override {
        if (failReads)
            throw FB::script_error("page refused");
        const auto found = properties.find(name);
        return found == properties.end() ? FB::variant() : found->second;
    }
    void SetProperty(int index, const FB::variant& value) override {
        SetProperty(std::to_string(index), value);
    }
    void SetProperty(const std::string& name, const FB::variant& value) override {
        properties[name] = value;
    }
    void RemoveProperty(int index) override { RemoveProperty(std::to_string(index)); }
    void RemoveProperty(const std::string& name) override { properties.erase(name); }
    FB::variant Invoke(const std::string& name, const FB::VariantList&) override {
        throw FB::invalid_member(name);
    }
    FB::variant Construct(const FB::VariantList&) override { throw FB::invalid_member(""); }

    const void* GetEventId() const override { return eventId; }
    const void* GetEventContext() const override { return eventContext; }
    bool SupportsOptimizedCalls() const override { return optimized; }
    void CallMultipleFunctions(const std::string&, const FB::VariantList&,
                               const std::vector<FB::JSObjectPtr>& handlers,
                               const std::vector<FB::JSObjectPtr>&) override {
        batchSizes.push_back(handlers.size());
    }
    bool IsValid() const override { return valid; }
    void InvokeAsync(const std::string& name, const FB::VariantList& args) override {
        asyncCalls.emplace_back(name, args);
    }
    void InvokeDelayed(int, const FB::VariantList&) override {}
    void SetPropertyAsync(const std::string&, const FB::variant&) override {}
    FB::JSAPIPtr GetJSAPI() const override { return wrapped; }

    using FB::JSAPI::GetMemberNames;
    using FB::JSAPI::GetProperty;
    using FB::JSAPI::HasMethod;
    using FB::JSAPI::HasProperty;
    using FB::JSAPI::Invoke;
    using FB::JSAPI::RemoveProperty;
    using FB::JSAPI::SetProperty;
};

// A plug-in scripting object with no members of its own, on top of Base.
template <class Base> class NoMembers : public Base {
public:
    void GetMemberNames(std::vector<std::string>& names) const override { names.clear(); }
    std::size_t GetMemberCount() const override { return 0; }
    bool HasMethod(const std::string&) const override { return false; }
    bool HasProperty(int) const override { return false; }
    bool HasProperty(const std::string&) const override { return false; }
    FB::variant GetProperty(int) override { return {}; }
    FB::variant GetProperty(const std::string&) override { return {}; }
    void SetProperty(int, const FB::variant&) override {}
    void SetProperty(const std::string&, const FB::variant&) override {}
    void RemoveProperty(int) override {}
    void RemoveProperty(const std::string&) override {}
    FB::variant Invoke(const std::string& name, const FB::VariantList&) override {
        throw FB::invalid_member(name);
    }
    FB::variant Construct(const FB::VariantList&) override { throw FB::invalid_member(""); }
};

class FakePluginObject : public NoMembers<FB::JSAPI> {
public:
    void Invalidate() override {}
};

class FakeImplObject : public NoMembers<FB::JSAPIImpl> {};
