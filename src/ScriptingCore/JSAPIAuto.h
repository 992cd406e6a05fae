#pragma once

#include "JSAPIImpl.h"
#include "MethodWrappers.h"
#include "PropertyFunctors.h"

#include <map>
#include <set>
#include <string>
#include <utility>

namespace FB {

// A scripting object driven by member tables: a concrete class registers its methods and
// properties by name in its constructor. Every other name the page writes becomes an
// attribute of the object.
class JSAPIAuto : public JSAPIImpl {
public:
    explicit JSAPIAuto(const std::string& description = "<JSAPI-Auto Javascript Object>");
    ~JSAPIAuto() override;

    void GetMemberNames(std::vector<std::string>& names) const override;
    std::size_t GetMemberCount() const override;

    bool HasMethod(const std::string& name) const override;
    bool HasMethodObject(const std::string& name) const override;
    bool HasProperty(int index) const override;
    bool HasProperty(const std::string& name) const override;

    JSAPIPtr GetMethodObject(const std::string& name) override;

    variant GetProperty(int index) override;
    variant GetProperty(const std::string& name) override;
    void SetProperty(int index, const variant& value) override;
    void SetProperty(const std::string& name, const variant& value) override;
    void RemoveProperty(int index) override;
    void RemoveProperty(const std::string& name) override;

    variant Invoke(const std::string& name, const VariantList& args) override;
    variant Construct(const VariantList& args) override;

    void FireEvent(const std::string& name, const VariantList& args) override;

    virtual void RegisterAttribute(const std::string& name, const variant& value,
                                   bool readOnly = false);
    // A reserved name never becomes a dynamic attribute.
    virtual void SetReserved(const std::string& name);
    virtual void UnregisterMethod(const std::string& name);
    virtual void UnregisterMethod(const std::wstring& name);
    virtual void RegisterMethod(const std::string& name, const CallMethodFunctor& method);
    virtual void RegisterMethod(const std::wstring& name, const CallMethodFunctor& method);
    // A method whose arguments or work hold a secret (a PIN, key material): each call of it
    // ends by wiping the stack its work used and the vector registers.
    void RegisterSecretMethod(const std::string& name, const CallMethodFunctor& method);
    virtual void RegisterProperty(const std::string& name, const PropertyFunctors& property);
    virtual void RegisterProperty(const std::wstring& name, const PropertyFunctors& property);
    virtual void UnregisterProperty(const std::string& name);
    virtual void UnregisterProperty(const std::wstring& name);

    virtual std::string ToString() const;
    virtual bool GetValid() const;
    virtual variant GetAttribute(const std::string& name);
    virtual void SetAttribute(const std::string& name, const variant& value);
    virtual void UnregisterAttribute(const std::string& name);

    using JSAPIImpl::FireEvent;
    using JSAPIImpl::GetMemberNames;
    using JSAPIImpl::GetMethodObject;
    using JSAPIImpl::GetProperty;
    using JSAPIImpl::HasMethod;
    using JSAPIImpl::HasMethodObject;
    using JSAPIImpl::HasProperty;
    using JSAPIImpl::Invoke;
    using JSAPIImpl::RemoveProperty;
    using JSAPIImpl::SetProperty;

protected:
    // Makes the object that the page gets when it reads a method as a value (a JSFunction); the
    // result is cached per name and level.
    virtual JSAPIPtr CreateMethodObject(const std::string& name, AccessZone level);

private:
    struct Attribute {
        variant value;
        bool readOnly;
    };

    bool isVisible(const std::string& name) const;
    // Drops the name's level once no method, property or attribute of that name is left.
    void forgetZoneIfUnused(const std::string& name);

    std::map<std::string, CallMethodFunctor> m_methods;
    std::set<std::string> m_secretMethods;
    std::map<std::string, PropertyFunctors> m_properties;
    std::map<std::string, AccessZone> m_zones;
    std::map<std::string, Attribute> m_attributes;
    std::set<std::string> m_reserved;
    std::map<std::pair<std::string, AccessZone>, JSAPIPtr> m_methodObjects;
    const std::string m_description;

    // Fixed at construction.
    const bool m_allowDynamicAttributes = true;
    const bool m_allowRemoveProperties = false;
    const bool m_allowMethodObjects = true;
};

} // namespace FB
