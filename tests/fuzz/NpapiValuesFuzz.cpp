// Page values as the browser hands them to the plug-in's scriptable object: numbers of any
// bits, strings with NUL bytes and invalid UTF-8, and page objects whose members (a "length"
// among them) hold more of the same. Each value crosses into the plug-in, is converted to every
// parameter type and goes back to the page.
#include "FactoryBase.h"
#include "FakeBrowser.h"
#include "FuzzInput.h"
#include "JSAPIAuto.h"
#include "JSObject.h"
#include "NpapiPluginModule.h"
#include "PluginCore.h"
#include "bad_variant_cast.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace {

using FB::variant;
using FB::VariantList;

template <class T> void convert(const variant& v) {
    try {
        v.convert_to<T>();
    } catch (const FB::bad_variant_cast&) {
    }
}

class FuzzObject : public FB::JSAPIAuto {
public:
    FuzzObject() {
        RegisterMethod("echo", [](const VariantList& args) { return variant(args); });
        RegisterMethod("convert", [](const VariantList& args) {
            for (const variant& v : args) {
                convert<int>(v);
                convert<unsigned long>(v);
                convert<double>(v);
                convert<bool>(v);
                convert<std::string>(v);
                convert<std::wstring>(v);
                convert<FB::VariantList>(v);
                convert<FB::VariantMap>(v);
                convert<std::optional<std::string>>(v);
                convert<FB::JSObjectPtr>(v);
            }
            return variant();
        });
    }
};

class FuzzPlugin : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr CreateJSAPI() override { return std::make_shared<FuzzObject>(); }
};

class FuzzFactory : public FB::FactoryBase {
public:
    FB::PluginCorePtr CreatePlugin(const std::string&) override {
        return std::make_shared<FuzzPlugin>();
    }
};

// One browser, one module and one element for the whole run, as a page keeps them.
struct Page {
    Page() {
        auto& module = FB::Npapi::NpapiPluginModule::GetModule(std::make_shared<FuzzFactory>());
        module.SetNetscapeFuncs(&browser.funcs());
        plugin.size = sizeof(plugin);
        module.GetPluginFuncs(&plugin);
        char type[] = "application/x-kestrova";
        plugin.newp(type, browser.instance(), NP_EMBED, 0, nullptr, nullptr, nullptr);
        plugin.getvalue(browser.instance(), NPPVpluginScriptableNPObject, &element);
    }

    fakenp::FakeBrowser browser;
    NPPluginFuncs plugin{};
    NPObject* element = nullptr;
};

// Builds page values out of the fuzzer's bytes; the texts stay alive as long as the builder.
class Builder {
public:
    Builder(fakenp::FakeBrowser& browser, const std::uint8_t* data, std::size_t size)
        : m_browser(browser), m_in(data, size) {}
    ~Builder() {
        for (NPObject* object : m_objects)
            m_browser.funcs().releaseobject(object);
    }

    bool done() const { return m_in.done(); }

    NPVariant value(int depth = 0) {
        NPVariant v;
        switch (byte() % 8) {
        case 0:
            VOID_TO_NPVARIANT(v);
            break;
        case 1:
            NULL_TO_NPVARIANT(v);
            break;
        case 2:
            BOOLEAN_TO_NPVARIANT(byte() & 1, v);
            break;
        case 3:
            INT32_TO_NPVARIANT(m_in.raw<std::int32_t>(), v);
            break;
        case 4:
            DOUBLE_TO_NPVARIANT(m_in.raw<double>(), v);
            break;
        case 5: {
            const std::string& s = text();
            STRINGN_TO_NPVARIANT(s.data(), static_cast<uint32_t>(s.size()), v);
            break;
        }
        default: {
            fakenp::PageObject* object = m_browser.newObject();
            m_objects.push_back(object);
            for (std::size_t n = depth < 64 ? byte() % 8 : 0; n > 0 && !done(); --n) {
                const std::string name = byte() & 1 ? "length" : text();
                m_browser.setProperty(object, name, value(depth + 1));
            }
            OBJECT_TO_NPVARIANT(object, v);
        }
        }
        return v;
    }

private:
    std::uint8_t byte() { return m_in.byte(); }
    const std::string& text() {
        m_texts.push_back(m_in.text());
        return m_texts.back();
    }

    fakenp::FakeBrowser& m_browser;
    FuzzInput m_in;
    std::vector<NPObject*> m_objects;
    std::deque<std::string> m_texts;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Page page;
    auto& funcs = page.browser.funcs();
    {
        Builder build(page.browser, data, size);
        std::vector<NPVariant> args;
        while (!build.done() && args.size() < 8)
            args.push_back(build.value());
        for (const char* method : {"convert", "echo"}) {
            NPVariant result;
            VOID_TO_NPVARIANT(result);
            funcs.invoke(page.browser.instance(), page.element, funcs.getstringidentifier(method),
                         args.data(), static_cast<uint32_t>(args.size()), &result);
            funcs.releasevariantvalue(&result);
        }
    }
    page.browser.clearException();
    fakenp::pumpMainThread();
    return 0;
}
