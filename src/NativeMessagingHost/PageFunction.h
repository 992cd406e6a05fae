#pragma once

#include "JSObject.h"
#include "MessageWriter.h"

#include <cstdint>
#include <memory>
#include <string>

namespace FB::NativeMessaging {

// A function of the page, known to the host by the id that the extension gave it. Calling it
// sends a message that has the extension call the function; the call returns nothing, since
// the page's answer cannot come back in time. When the last reference goes, the extension is
// told that it may forget the function.
class PageFunction : public JSObject {
public:
    PageFunction(const BrowserHostPtr& host, std::shared_ptr<MessageWriter> writer,
                 std::string instance, std::int64_t id);
    ~PageFunction() override;

    std::int64_t Id() const { return m_id; }

    void Invalidate() override {}
    const void* GetEventId() const override { return this; }
    bool IsValid() const override;
    JSAPIPtr GetJSAPI() const override { return nullptr; }

    // The empty name calls the function itself; it has no other members the host can reach.
    variant Invoke(const std::string& name, const VariantList& args) override;
    bool HasMethod(const std::string& name) const override { return name.empty(); }
    void GetMemberNames(std::vector<std::string>& names) const override { names.clear(); }
    std::size_t GetMemberCount() const override { return 0; }
    bool HasProperty(int) const override { return false; }
    bool HasProperty(const std::string&) const override { return false; }
    variant GetProperty(int) override { return {}; }
    variant GetProperty(const std::string&) override { return {}; }
    void SetProperty(int, const variant&) override;
    void SetProperty(const std::string&, const variant&) override;
    void RemoveProperty(int) override;
    void RemoveProperty(const std::string&) override;
    variant Construct(const VariantList&) override;

    using JSAPI::GetMemberNames;
    using JSAPI::GetProperty;
    using JSAPI::HasMethod;
    using JSAPI::HasProperty;
    using JSAPI::Invoke;
    using JSAPI::RemoveProperty;
    using JSAPI::SetProperty;

private:
    const std::shared_ptr<MessageWriter> m_writer;
    const std::string m_instance;
    const std::int64_t m_id;
};

} // namespace FB::NativeMessaging
