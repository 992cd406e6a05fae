#pragma once

#include "APITypes.h"
#include "variant.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace FB {

// An object that the page can script. The browser bridges see nothing else: they ask for
// members by name, read and write properties and invoke methods with variants. Each wide-name
// overload converts the name to UTF-8 and calls the narrow one beside it.
class JSAPI : public std::enable_shared_from_this<JSAPI> {
public:
    JSAPI() = default;
    JSAPI(const JSAPI&) = delete;
    JSAPI& operator=(const JSAPI&) = delete;
    virtual ~JSAPI();

    virtual void Invalidate() = 0;
    virtual void Shutdown() {}

    virtual void PushZone(AccessZone) {}
    virtual void PopZone() {}
    virtual void SetDefaultZone(AccessZone) {}
    virtual AccessZone GetDefaultZone() const { return 0; }
    virtual AccessZone GetZone() const { return 0; }

    virtual void RegisterEventMethod(const std::wstring& name, const JSObjectPtr& handler);
    virtual void RegisterEventMethod(const std::string& name, const JSObjectPtr& handler);
    virtual void UnregisterEventMethod(const std::wstring& name, const JSObjectPtr& handler);
    virtual void UnregisterEventMethod(const std::string& name, const JSObjectPtr& handler);
    virtual void RegisterEventInterface(const JSObjectPtr& handler);
    virtual void UnregisterEventInterface(const JSObjectPtr& handler);

    // The pointer forms can be bound and sent to another thread.
    virtual void GetMemberNames(std::vector<std::string>* names) const;
    virtual void GetMemberNames(std::vector<std::string>& names) const = 0;
    virtual void GetMemberNames(std::vector<std::wstring>* names) const;
    virtual void GetMemberNames(std::vector<std::wstring>& names) const;
    virtual std::size_t GetMemberCount() const = 0;

    virtual bool HasMethod(const std::string& name) const = 0;
    virtual bool HasMethod(const std::wstring& name) const;
    virtual bool HasMethodObject(const std::string&) const { return false; }
    virtual bool HasMethodObject(const std::wstring& name) const;
    virtual bool HasProperty(int index) const = 0;
    virtual bool HasProperty(const std::string& name) const = 0;
    virtual bool HasProperty(const std::wstring& name) const;

    virtual JSAPIPtr GetMethodObject(const std::string&) { return nullptr; }
    virtual JSAPIPtr GetMethodObject(const std::wstring& name);

    virtual variant GetProperty(int index) = 0;
    virtual variant GetProperty(const std::string& name) = 0;
    virtual variant GetProperty(const std::wstring& name);
    virtual void SetProperty(int index, const variant& value) = 0;
    virtual void SetProperty(const std::string& name, const variant& value) = 0;
    virtual void SetProperty(const std::wstring& name, const variant& value);
    virtual void RemoveProperty(int index) = 0;
    virtual void RemoveProperty(const std::string& name) = 0;
    virtual void RemoveProperty(const std::wstring& name);

    virtual variant Invoke(const std::string& name, const VariantList& args) = 0;
    virtual variant Invoke(const std::wstring& name, const VariantList& args);
    virtual variant Construct(const VariantList& args) = 0;

protected:
    // A wide name as UTF-8; a name that is not valid UTF-16 cannot name a member, so the page
    // gets a script exception (FB::invalid_arguments).
    static std::string narrowName(const std::wstring& name);
};

} // namespace FB
