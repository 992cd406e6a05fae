#include "NpapiPlugin.h"

#include "ModulePath.h"

namespace FB::Npapi {

NpapiPlugin::NpapiPlugin(const NpapiBrowserHostPtr& host, const PluginCorePtr& plugin,
                         const std::string& name, const std::string& description)
    : m_host(host), m_plugin(plugin), m_name(name), m_description(description) {}

void NpapiPlugin::Init(int16_t argc, char* argn[], char* argv[]) {
    VariantMap params;
    for (int16_t i = 0; i < argc; ++i) {
        if (argn[i] && argv[i])
            params[argn[i]] = std::string(argv[i]);
    }
    m_plugin->SetParams(params);
    // Always windowless: this plug-in draws nothing. The value travels in the pointer itself.
    m_host->SetValue(NPPVpluginWindowBool, reinterpret_cast<void*>(false));
    m_host->SetValue(NPPVpluginTransparentBool, reinterpret_cast<void*>(true));
    if (!m_ready) {
        m_ready = true;
        m_plugin->SetReady();
    }
}

void NpapiPlugin::Shutdown() {
    m_plugin->ClearWindow();
    m_plugin->Shutdown();
}

NPError NpapiPlugin::GetValue(NPPVariable variable, void* value) {
    switch (variable) {
    case NPPVpluginNameString:
        *static_cast<const char**>(value) = m_name.c_str();
        return NPERR_NO_ERROR;
    case NPPVpluginDescriptionString:
        *static_cast<const char**>(value) = m_description.c_str();
        return NPERR_NO_ERROR;
    case NPPVpluginScriptableNPObject: {
        // Without a scripting object (it could not be made) the browser gets none this time;
        // its next request tries again.
        const JSAPIPtr api = m_plugin->GetRootJSAPI();
        NPObject* object = api ? m_host->GetJSAPIWrapper(api) : nullptr;
        if (!object)
            return NPERR_GENERIC_ERROR;
        *static_cast<NPObject**>(value) = object;
        return NPERR_NO_ERROR;
    }
    default:
        return NPERR_GENERIC_ERROR;
    }
}

NPError NpapiPlugin::SetWindow(NPWindow*) {
    return NPERR_NO_ERROR;
}

std::shared_ptr<NpapiPlugin> createNpapiPlugin(FactoryBase& factory,
                                               const NpapiBrowserHostPtr& host,
                                               const std::string& mimeType) {
    const PluginCorePtr plugin = factory.CreatePlugin(mimeType);
    if (!plugin)
        return nullptr;
    plugin->SetHost(host);
    plugin->SetFSPath(modulePath());
    return std::make_shared<NpapiPlugin>(host, plugin, factory.GetPluginName(mimeType),
                                         factory.GetPluginDescription(mimeType));
}

} // namespace FB::Npapi
