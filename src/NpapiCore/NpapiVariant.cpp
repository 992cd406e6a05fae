#include "NpapiVariant.h"

#include "HeldTypeTable.h"
#include "NPObjectAPI.h"
#include "NpapiBrowserHost.h"
#include "SecureWipe.h"
#include "Utf.h"

#include <cstring>
#include <functional>
#include <string>

namespace FB::Npapi {

namespace {

using Host = std::shared_ptr<NpapiBrowserHost>;
using Translation = std::function<void(const Host&, const variant&, NPVariant&)>;

void stringTo(const Host& host, const std::string& text, NPVariant& result) {
    const auto length = static_cast<uint32_t>(text.size());
    auto* buffer = static_cast<NPUTF8*>(host->MemAlloc(length + 1));
    if (!buffer)
        return;
    std::memcpy(buffer, text.c_str(), length + 1);
    STRINGN_TO_NPVARIANT(buffer, length, result);
}

void objectTo(NPObject* object, NPVariant& result) {
    if (object)
        OBJECT_TO_NPVARIANT(object, result);
    else
        NULL_TO_NPVARIANT(result);
}

void apiTo(const Host& host, const JSAPIPtr& api, NPVariant& result) {
    if (!api) {
        NULL_TO_NPVARIANT(result);
        return;
    }
    if (const auto page = std::dynamic_pointer_cast<NPObjectAPI>(api)) {
        objectTo(host->RetainObject(page->GetNPObject()), result);
        return;
    }
    objectTo(host->GetJSAPIWrapper(api), result);
}

template <class T> Translation asInt() {
    return [](const Host&, const variant& v, NPVariant& r) {
        INT32_TO_NPVARIANT(static_cast<int>(*v.get_if<T>()), r);
    };
}

template <class T> Translation asDecimal() {
    return [](const Host& host, const variant& v, NPVariant& r) {
        stringTo(host, std::to_string(*v.get_if<T>()), r);
    };
}

template <class T> Translation asDouble() {
    return [](const Host&, const variant& v, NPVariant& r) {
        DOUBLE_TO_NPVARIANT(static_cast<double>(*v.get_if<T>()), r);
    };
}

void listTo(const Host& host, const variant& v, NPVariant& result) {
    NPObject* array = host->CreateArray();
    if (!array)
        return;
    const NPIdentifier push = host->GetStringIdentifier("push");
    for (const variant& item : *v.get_if<VariantList>()) {
        NPVariant value, ignored;
        VOID_TO_NPVARIANT(value);
        VOID_TO_NPVARIANT(ignored);
        toNPVariant(host, item, value);
        host->Invoke(array, push, &value, 1, &ignored);
        host->ReleaseVariantValue(&value);
        host->ReleaseVariantValue(&ignored);
    }
    OBJECT_TO_NPVARIANT(array, result);
}

void mapTo(const Host& host, const variant& v, NPVariant& result) {
    NPObject* object = host->CreateMap();
    if (!object)
        return;
    for (const auto& [name, item] : *v.get_if<VariantMap>()) {
        NPVariant value;
        VOID_TO_NPVARIANT(value);
        toNPVariant(host, item, value);
        host->SetProperty(object, host->GetStringIdentifier(name), &value);
        host->ReleaseVariantValue(&value);
    }
    OBJECT_TO_NPVARIANT(object, result);
}

const HeldTypeTable<Translation>& translations() {
    static const HeldTypeTable<Translation> table = [] {
        HeldTypeTable<Translation> t;
        t.add<bool>([](const Host&, const variant& v, NPVariant& r) {
            BOOLEAN_TO_NPVARIANT(*v.get_if<bool>(), r);
        });
        t.add<char>(asInt<char>());
        t.add<unsigned char>(asInt<unsigned char>());
        t.add<short>(asInt<short>());
        t.add<unsigned short>(asInt<unsigned short>());
        t.add<int>(asInt<int>());
        t.add<long>(asInt<long>());
        t.add<unsigned int>(asDecimal<unsigned int>());
        t.add<unsigned long>(asDecimal<unsigned long>());
        t.add<long long>(asDecimal<long long>());
        t.add<unsigned long long>(asDecimal<unsigned long long>());
        t.add<float>(asDouble<float>());
        t.add<double>(asDouble<double>());
        t.add<std::string>([](const Host& host, const variant& v, NPVariant& r) {
            stringTo(host, *v.get_if<std::string>(), r);
        });
        t.add<std::wstring>([](const Host& host, const variant& v, NPVariant& r) {
            stringTo(host, wideToUtf8(*v.get_if<std::wstring>()), r);
        });
        t.add<variant_detail::null>(
            [](const Host&, const variant&, NPVariant& r) { NULL_TO_NPVARIANT(r); });
        t.add<variant_detail::empty>(
            [](const Host&, const variant&, NPVariant& r) { VOID_TO_NPVARIANT(r); });
        t.add<VariantList>(listTo);
        t.add<VariantMap>(mapTo);
        t.add<JSAPIPtr>([](const Host& host, const variant& v, NPVariant& r) {
            apiTo(host, *v.get_if<JSAPIPtr>(), r);
        });
        t.add<JSAPIWeakPtr>([](const Host& host, const variant& v, NPVariant& r) {
            apiTo(host, v.get_if<JSAPIWeakPtr>()->lock(), r);
        });
        t.add<JSObjectPtr>([](const Host& host, const variant& v, NPVariant& r) {
            apiTo(host, *v.get_if<JSObjectPtr>(), r);
        });
        return t;
    }();
    return table;
}

} // namespace

variant fromNPVariant(const Host& host, const NPVariant& value) {
    switch (value.type) {
    case NPVariantType_Null:
        return variant(variant_detail::null());
    case NPVariantType_Bool:
        return variant(NPVARIANT_TO_BOOLEAN(value));
    case NPVariantType_Int32:
        return variant(static_cast<int>(NPVARIANT_TO_INT32(value)));
    case NPVariantType_Double:
        return variant(NPVARIANT_TO_DOUBLE(value));
    case NPVariantType_String: {
        // The page's text may be a secret: the copy made on the way into the variant is wiped.
        const NPString& text = NPVARIANT_TO_STRING(value);
        std::string copy(text.UTF8Characters, text.UTF8Length);
        variant converted(copy);
        secureWipe(copy);
        return converted;
    }
    case NPVariantType_Object:
        if (NPObject* object = NPVARIANT_TO_OBJECT(value))
            return variant(
                JSObjectPtr(std::make_shared<NPObjectAPI>(host->RetainObject(object), host)));
        return variant(variant_detail::null());
    case NPVariantType_Void:
        break;
    }
    return variant();
}

void toNPVariant(const Host& host, const variant& value, NPVariant& result) {
    VOID_TO_NPVARIANT(result);
    if (const Translation* translation = translations().Find(value))
        (*translation)(host, value, result);
}

} // namespace FB::Npapi
