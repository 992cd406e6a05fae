#include "JSAPI.h"

#include "Utf.h"
#include "script_error.h"

namespace FB {

namespace {

// A name that is not valid UTF-16 cannot name a member; the page gets a script exception.
std::string narrow(const std::wstring& name) {
    try {
        return wideToUtf8(name);
    } catch (const std::exception&) {
        throw invalid_arguments();
    }
}

// Queries answer false for such a name instead.
template <class Query> bool askNarrow(const std::wstring& name, Query query) {
    std::string narrowName;
    try {
        narrowName = wideToUtf8(name);
    } catch (const std::exception&) {
        return false;
    }
    return query(narrowName);
}

} // namespace

JSAPI::~JSAPI() = default;

void JSAPI::RegisterEventMethod(const std::wstring& name, const JSObjectPtr& handler) {
    RegisterEventMethod(narrow(name), handler);
}

void JSAPI::RegisterEventMethod(const std::string&, const JSObjectPtr&) {
    throw script_error("Not implemented");
}

void JSAPI::UnregisterEventMethod(const std::wstring& name, const JSObjectPtr& handler) {
    UnregisterEventMethod(narrow(name), handler);
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
    return GetMethodObject(narrow(name));
}

variant JSAPI::GetProperty(const std::wstring& name) {
    return GetProperty(narrow(name));
}

void JSAPI::SetProperty(const std::wstring& name, const variant& value) {
    SetProperty(narrow(name), value);
}

void JSAPI::RemoveProperty(const std::wstring& name) {
    RemoveProperty(narrow(name));
}

variant JSAPI::Invoke(const std::wstring& name, const VariantList& args) {
    return Invoke(narrow(name), args);
}

} // namespace FB
