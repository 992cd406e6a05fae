#include "JSAPIAuto.h"

#include "JSFunction.h"
#include "JSObject.h"
#include "SecureWipe.h"
#include "script_error.h"

namespace FB {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// Conversion failures inside a method or property reach the page as invalid arguments.
template <class Call> auto convertingFailures(Call call) {
    try {
        return call();
    } catch (const bad_variant_cast& e) {
        throw invalid_arguments("Could not convert from " + e.from + " to " + e.to);
    }
}

} // namespace

JSAPIAuto::JSAPIAuto(const std::string& description) : m_description(description) {
    PushZone(0);
    RegisterMethod("toString", make_method(this, &JSAPIAuto::ToString));
    RegisterMethod("getAttribute", make_method(this, &JSAPIAuto::GetAttribute));
    RegisterMethod("setAttribute", make_method(this, &JSAPIAuto::SetAttribute));
    RegisterProperty("value", make_property(this, &JSAPIAuto::ToString));
    RegisterProperty("valid", make_property(this, &JSAPIAuto::GetValid));
    PopZone();

    // Names that browsers probe on any element; answering them as attributes confuses them.
    for (const char* name : {"offsetWidth", "offsetHeight", "width", "height", "attributes",
                             "nodeType", "namespaceURI", "localName", "wrappedJSObject",
                             "prototype", "style", "id", "constructor"})
        SetReserved(name);
}

JSAPIAuto::~JSAPIAuto() = default;

bool JSAPIAuto::isVisible(const std::string& name) const {
    const auto zone = m_zones.find(name);
    return zone != m_zones.end() && GetZone() >= zone->second;
}

void JSAPIAuto::forgetZoneIfUnused(const std::string& name) {
    if (!m_methods.count(name) && !m_properties.count(name) && !m_attributes.count(name))
        m_zones.erase(name);
}

void JSAPIAuto::GetMemberNames(std::vector<std::string>& names) const {
    Lock lock(objectMutex());
    names.clear();
    for (const auto& entry : m_zones) {
        if (isVisible(entry.first))
            names.push_back(entry.first);
    }
}

std::size_t JSAPIAuto::GetMemberCount() const {
    Lock lock(objectMutex());
    std::size_t count = 0;
    for (const auto& entry : m_zones)
        count += isVisible(entry.first) ? 1 : 0;
    return count;
}

bool JSAPIAuto::HasMethod(const std::string& name) const {
    if (!IsValid())
        return false;
    Lock lock(objectMutex());
    return m_methods.count(name) && isVisible(name);
}

bool JSAPIAuto::HasMethodObject(const std::string& name) const {
    return m_allowMethodObjects && HasMethod(name);
}

bool JSAPIAuto::HasProperty(int index) const {
    if (!IsValid())
        return false;
    Lock lock(objectMutex());
    return m_allowDynamicAttributes || m_attributes.count(std::to_string(index));
}

bool JSAPIAuto::HasProperty(const std::string& name) const {
    if (!IsValid())
        return false;
    Lock lock(objectMutex());
    if (m_allowDynamicAttributes && !HasMethod(name) && !m_reserved.count(name))
        return true;
    if (HasMethodObject(name))
        return true;
    return m_properties.count(name) || m_attributes.count(name);
}

JSAPIPtr JSAPIAuto::GetMethodObject(const std::string& name) {
    if (!IsValid())
        throw object_invalidated();
    Lock lock(objectMutex());
    if (!HasMethod(name))
        throw invalid_member(name);
    const auto key = std::make_pair(name, GetZone());
    const auto cached = m_methodObjects.find(key);
    if (cached != m_methodObjects.end())
        return cached->second;
    JSAPIPtr method = CreateMethodObject(name, key.second);
    if (method)
        m_methodObjects.emplace(key, method);
    return method;
}

JSAPIPtr JSAPIAuto::CreateMethodObject(const std::string& name, AccessZone level) {
    return std::make_shared<JSFunction>(weak_from_this(), name, level);
}

variant JSAPIAuto::GetProperty(int index) {
    if (!IsValid())
        throw object_invalidated();
    Lock lock(objectMutex());
    const std::string name = std::to_string(index);
    const auto attribute = m_attributes.find(name);
    if (attribute != m_attributes.end() && isVisible(name))
        return attribute->second.value;
    if (!m_allowDynamicAttributes)
        throw invalid_member(name);
    return variant();
}

variant JSAPIAuto::GetProperty(const std::string& name) {
    if (!IsValid())
        throw object_invalidated();
    Lock lock(objectMutex());
    const auto property = m_properties.find(name);
    if (property != m_properties.end() && isVisible(name))
        return convertingFailures([&] { return property->second.get(); });
    if (!isVisible(name)) {
        if (!m_allowDynamicAttributes)
            throw invalid_member(name);
        return variant();
    }
    if (HasMethodObject(name))
        return variant(GetMethodObject(name));
    const auto attribute = m_attributes.find(name);
    if (attribute != m_attributes.end())
        return attribute->second.value;
    if (!m_allowDynamicAttributes)
        throw invalid_member(name);
    return variant();
}

void JSAPIAuto::SetProperty(int index, const variant& value) {
    SetProperty(std::to_string(index), value);
}

void JSAPIAuto::SetProperty(const std::string& name, const variant& value) {
    if (!IsValid())
        throw object_invalidated();
    Lock lock(objectMutex());
    const auto property = m_properties.find(name);
    if (property != m_properties.end()) {
        if (!isVisible(name))
            throw invalid_member(name);
        convertingFailures([&] { property->second.set(value); });
        return;
    }
    if (!m_allowDynamicAttributes) {
        const auto attribute = m_attributes.find(name);
        if (attribute == m_attributes.end() || attribute->second.readOnly)
            throw invalid_member(name);
    }
    RegisterAttribute(name, value, false);
}

void JSAPIAuto::RemoveProperty(int index) {
    RemoveProperty(std::to_string(index));
}

void JSAPIAuto::RemoveProperty(const std::string& name) {
    if (!IsValid())
        throw object_invalidated();
    Lock lock(objectMutex());
    if (!isVisible(name))
        throw invalid_member(name);
    if (m_allowRemoveProperties && m_properties.count(name)) {
        UnregisterProperty(name);
        return;
    }
    const auto attribute = m_attributes.find(name);
    if (m_allowDynamicAttributes && attribute != m_attributes.end() && !attribute->second.readOnly)
        UnregisterAttribute(name);
}

variant JSAPIAuto::Invoke(const std::string& name, const VariantList& args) {
    if (!IsValid())
        throw object_invalidated();
    Lock lock(objectMutex());
    const auto method = m_methods.find(name);
    if (method == m_methods.end() || !isVisible(name))
        throw invalid_member(name);
    // The dead frames of a member that handles a secret may hold copies of it.
    const StackWipedOnReturn wipeStack(m_secretMethods.count(name) != 0);
    // The lock stays held for the whole call: a direct call excludes every other use.
    return convertingFailures([&] { return method->second(args); });
}

variant JSAPIAuto::Construct(const VariantList&) {
    if (!IsValid())
        throw object_invalidated();
    throw invalid_member("constructor");
}

void JSAPIAuto::FireEvent(const std::string& name, const VariantList& args) {
    JSAPIImpl::FireEvent(name, args);
    // An attribute named after the event that holds a page function is a handler too; a
    // failure there must not disturb the one who fired.
    try {
        const variant handler = GetAttribute(name);
        if (const auto page = handler.convert_to<JSObjectPtr>())
            page->InvokeAsync("", args);
    } catch (...) {
    }
}

void JSAPIAuto::RegisterAttribute(const std::string& name, const variant& value, bool readOnly) {
    Lock lock(objectMutex());
    m_attributes[name] = Attribute{value, readOnly};
    m_zones[name] = GetZone();
}

void JSAPIAuto::SetReserved(const std::string& name) {
    Lock lock(objectMutex());
    m_reserved.insert(name);
}

void JSAPIAuto::UnregisterMethod(const std::string& name) {
    Lock lock(objectMutex());
    m_methods.erase(name);
    m_secretMethods.erase(name);
    forgetZoneIfUnused(name);
}

void JSAPIAuto::UnregisterMethod(const std::wstring& name) {
    UnregisterMethod(narrowName(name));
}

void JSAPIAuto::RegisterMethod(const std::string& name, const CallMethodFunctor& method) {
    Lock lock(objectMutex());
    m_methods[name] = method;
    m_zones[name] = GetZone();
}

void JSAPIAuto::RegisterMethod(const std::wstring& name, const CallMethodFunctor& method) {
    RegisterMethod(narrowName(name), method);
}

void JSAPIAuto::RegisterSecretMethod(const std::string& name, const CallMethodFunctor& method) {
    Lock lock(objectMutex());
    RegisterMethod(name, method);
    m_secretMethods.insert(name);
}

void JSAPIAuto::RegisterProperty(const std::string& name, const PropertyFunctors& property) {
    Lock lock(objectMutex());
    m_properties[name] = property;
    m_zones[name] = GetZone();
}

void JSAPIAuto::RegisterProperty(const std::wstring& name, const PropertyFunctors& property) {
    RegisterProperty(narrowName(name), property);
}

void JSAPIAuto::UnregisterProperty(const std::string& name) {
    Lock lock(objectMutex());
    m_properties.erase(name);
    forgetZoneIfUnused(name);
}

void JSAPIAuto::UnregisterProperty(const std::wstring& name) {
    UnregisterProperty(narrowName(name));
}

std::string JSAPIAuto::ToString() const {
    return m_description;
}

bool JSAPIAuto::GetValid() const {
    return true;
}

variant JSAPIAuto::GetAttribute(const std::string& name) {
    Lock lock(objectMutex());
    const auto attribute = m_attributes.find(name);
    return attribute == m_attributes.end() ? variant() : attribute->second.value;
}

void JSAPIAuto::SetAttribute(const std::string& name, const variant& value) {
    Lock lock(objectMutex());
    const auto attribute = m_attributes.find(name);
    if (attribute != m_attributes.end() && attribute->second.readOnly)
        throw script_error("Cannot set read-only property " + name);
    RegisterAttribute(name, value, false);
}

void JSAPIAuto::UnregisterAttribute(const std::string& name) {
    Lock lock(objectMutex());
    const auto attribute = m_attributes.find(name);
    if (attribute == m_attributes.end())
        return;
    if (attribute->second.readOnly)
        throw script_error("Cannot remove read-only property " + name);
    m_attributes.erase(attribute);
    forgetZoneIfUnused(name);
}

} // namespace FB
