// The Unix module entry points of npkestrova.so.
#include "FactoryBase.h"
#include "NpapiPluginModule.h"
#include "npapi_abi.h"

using FB::Npapi::NpapiPluginModule;

NP_EXPORT(const char*) NP_GetMIMEDescription(void) {
    return FB::pluginIdentity().mimeDescription;
}

NP_EXPORT(NPError) NP_GetValue(void*, NPPVariable variable, void* value) {
    try {
        return NpapiPluginModule::GetValueWithoutInstance(FB::getFactoryInstance(), variable,
                                                          value);
    } catch (const std::exception&) {
        return NPERR_GENERIC_ERROR;
    }
}

NP_EXPORT(NPError) NP_Initialize(NPNetscapeFuncs* browser, NPPluginFuncs* plugin) {
    if (!browser || !plugin)
        return NPERR_INVALID_FUNCTABLE_ERROR;
    try {
        NpapiPluginModule& module = NpapiPluginModule::GetModule(FB::getFactoryInstance());
        module.SetNetscapeFuncs(browser);
        module.GetPluginFuncs(plugin);
        return NPERR_NO_ERROR;
    } catch (const std::exception&) {
        return NPERR_MODULE_LOAD_FAILED_ERROR;
    }
}

NP_EXPORT(NPError) NP_Shutdown(void) {
    try {
        NpapiPluginModule::ReleaseModule();
    } catch (const std::exception&) {
        // A refused C_Finalize leaves nothing the browser could act on.
    }
    return NPERR_NO_ERROR;
}
