#include "JSAPI.h"

#include "Utf.h"
#include "script_error.h"

namespace FB {

namespace {

// Queries answer false for a name that is not valid UTF-16.
template <class Query> bool askNarrow(const std::wstring& name, Query query) {
    std::string utf8;
    try {
        utf8 = wideToUtf8(name);
    } catch (const std::exception&) {
        return false;
    }
    return query(utf8);
}

} // namespace

JSAPI::~JSAPI() = default;

std::string JSAPI::narrowName(const std::wstring& name) {
    try {
        return wideToUtf8(name);
    } catch (const std::exception&) {
        throw invalid_arguments();
    }
}

void JSAPI::RegisterEventMethod(const std::wstring& name, const JSObjectPtr& handler) {
    RegisterEventMethod(narrowName(name), handler);
}

void JSAPI::RegisterEventMethod(const std::string&, const JSObjectPtr&) {
    throw script_error("Not implemented");
}

void JSAPI::UnregisterEventMethod(const std::wstring& name, const JSObjectPtr& handler) {
    UnregisterEventMethod(narrowName(name), handler);
}

void JSAPI::UnregisterEventMethod(const std::string&, const JSObjectPtr&) {
    throw script_error("Not implemented");
}

void JSAPI::RegisterEventInterface(const JSObjectPtr&) {
    throw script_error("Not implemented");
}

void JSAPI::UnregisterEventInterface(const JSObjectPtr&) {
    throw script_error("Not implemented");
}

void JSAPI::GetMemberNames(std::vector<std::string>* names) const {
    GetMemberNames(*names);
}

void JSAPI::GetMemberNames(std::vector<std::wstring>* names) const {
    GetMemberNames(*names);
}

void JSAPI::GetMemberNames(std::vector<std::wstring>& names) const {
    std::vector<std::string> narrowNames;
    GetMemberNames(narrowNames);
    for (const std::string& name : narrowNames)
        names.push_back(utf8ToWide(name));
}

bool JSAPI::HasMethod(const std::wstring& name) const {
    return askNarrow(name, [this](const std::string& n) { return HasMethod(n); });
}

bool JSAPI::HasMethodObject(const std::wstring& name) const {
    return askNarrow(name, [this](const std::string& n) { return HasMethodObject(n); });
}

bool JSAPI::HasProperty(const std::wstring& name) const {
    return askNarrow(name, [this](const std::string& n) { return HasProperty(n); });
}

JSAPIPtr JSAPI::GetMethodObject(const std::wstring& name) {
    return GetMethodObject(narrowName(name));
}

variant JSAPI::GetProperty(const std::wstring& name) {
    return GetProperty(narrowName(name));
}

void JSAPI::SetProperty(const std::wstring& name, const variant& value) {
    SetProperty(narrowName(name), value);
}

void JSAPI::RemoveProperty(const std::wstring& name) {
    RemoveProperty(narrowName(name));
}

variant JSAPI::Invoke(const std::wstring& name, const VariantList& args) {
    return Invoke(narrowName(name), args);
}

} // namespace FB
