#include "NpapiFixture.h"

#include "NpapiPluginModule.h"
#include "script_error.h"

#include <cstring>

namespace npapitest {

using FB::variant;
using FB::VariantList;

TestObject::TestObject() {
    RegisterMethod("echo",
                   [](const VariantList& args) { return args.empty() ? variant() : args[0]; });
    RegisterMethod("seven", [](const VariantList&) { return variant(7ul); });
    RegisterMethod("fail",
                   [](const VariantList&) -> variant { throw FB::script_error("it failed"); });
    RegisterMethod("record", [this](const VariantList& args) {
        calls.push_back(args);
        return variant(static_cast<int>(args.size()));
    });
    RegisterMethod("list", [](const VariantList&) {
        return variant(VariantList{variant(1), variant("two")});
    });
    RegisterMethod("map", [](const VariantList&) {
        return variant(FB::VariantMap{{"a", variant(1)}, {"b", variant(true)}});
    });
    RegisterMethod("callBack", [](const VariantList& args) {
        const auto function = args.at(0).convert_to<FB::JSObjectPtr>();
        return function->Invoke("", VariantList(args.begin() + 1, args.end()));
    });
    RegisterProperty(
        "version", FB::PropertyFunctors{[] { return variant("1.5.0.0"); }, [](const variant&) {}});
}

FB::JSAPIPtr TestPlugin::CreateJSAPI() {
    if (refuseScripting)
        return nullptr;
    return std::make_shared<TestObject>();
}

FB::PluginCorePtr TestFactory::CreatePlugin(const std::string&) {
    if (create)
        return create();
    last = std::make_shared<TestPlugin>();
    return last;
}

NpapiFixture::NpapiFixture() {
    auto& module = FB::Npapi::NpapiPluginModule::GetModule(factory);
    module.SetNetscapeFuncs(&browser.funcs());
    plugin.size = sizeof(plugin);
    module.GetPluginFuncs(&plugin);
    VOID_TO_NPVARIANT(m_result);
}

NpapiFixture::~NpapiFixture() {
    clearResult();
    for (NPObject* object : m_held)
        browser.funcs().releaseobject(object);
    if (browser.instance()->pdata)
        destroyInstance();
    // Workers may still have asked for calls; they do nothing now.
    fakenp::pumpMainThread();
    FB::Npapi::NpapiPluginModule::ReleaseModule();
}

NPError NpapiFixture::newInstance(std::vector<std::pair<std::string, std::string>> params) {
    std::vector<char*> names, values;
    for (auto& [name, value] : params) {
        names.push_back(name.data());
        values.push_back(value.data());
    }
    char type[] = "application/x-kestrova";
    return plugin.newp(type, browser.instance(), NP_EMBED, static_cast<int16_t>(names.size()),
                       names.data(), values.data(), nullptr);
}

NPError NpapiFixture::destroyInstance() {
    return plugin.destroy(browser.instance(), nullptr);
}

NPObject* NpapiFixture::scriptable() {
    NPObject* object = nullptr;
    if (plugin.getvalue(browser.instance(), NPPVpluginScriptableNPObject, &object) !=
        NPERR_NO_ERROR)
        return nullptr;
    m_held.push_back(object);
    return object;
}

void NpapiFixture::clearResult() {
    browser.funcs().releasevariantvalue(&m_result);
}

bool NpapiFixture::invoke(NPObject* target, const std::string& name, std::vector<NPVariant> args) {
    clearResult();
    return browser.funcs().invoke(browser.instance(), target,
                                  browser.funcs().getstringidentifier(name.c_str()), args.data(),
                                  static_cast<uint32_t>(args.size()), &m_result);
}

bool NpapiFixture::invokeDefault(NPObject* target, std::vector<NPVariant> args) {
    clearResult();
    return browser.funcs().invokeDefault(browser.instance(), target, args.data(),
                                         static_cast<uint32_t>(args.size()), &m_result);
}

bool NpapiFixture::get(NPObject* target, const std::string& name) {
    clearResult();
    return browser.funcs().getproperty(
        browser.instance(), target, browser.funcs().getstringidentifier(name.c_str()), &m_result);
}

bool NpapiFixture::set(NPObject* target, const std::string& name, const NPVariant& value) {
    return browser.funcs().setproperty(browser.instance(), target,
                                       browser.funcs().getstringidentifier(name.c_str()), &value);
}

NPVariant NpapiFixture::number(int value) {
    NPVariant v;
    INT32_TO_NPVARIANT(value, v);
    return v;
}

NPVariant NpapiFixture::text(const char* value) {
    NPVariant v;
    STRINGZ_TO_NPVARIANT(value, v);
    return v;
}

NPVariant NpapiFixture::object(NPObject* value) {
    NPVariant v;
    OBJECT_TO_NPVARIANT(value, v);
    return v;
}

} // namespace npapitest
