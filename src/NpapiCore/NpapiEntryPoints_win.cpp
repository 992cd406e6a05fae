// The Windows module entry points of npkestrova.dll (undecorated through npkestrova.def).
#include "FactoryBase.h"
#include "NpapiPluginModule.h"
#include "npapi_abi.h"

using FB::Npapi::NpapiPluginModule;

NPError OSCALL NP_GetEntryPoints(NPPluginFuncs* plugin) {
    if (!plugin)
        return NPERR_INVALID_FUNCTABLE_ERROR;
    try {
        NpapiPluginModule::GetModule(FB::getFactoryInstance()).GetPluginFuncs(plugin);
        return NPERR_NO_ERROR;
    } catch (const std::exception&) {
        return NPERR_MODULE_LOAD_FAILED_ERROR;
    }
}

NPError OSCALL NP_Initialize(NPNetscapeFuncs* browser) {
    if (!browser)
        return NPERR_INVALID_FUNCTABLE_ERROR;
    try {
        NpapiPluginModule::GetModule(FB::getFactoryInstance()).SetNetscapeFuncs(browser);
        return NPERR_NO_ERROR;
    } catch (const std::exception&) {
        return NPERR_MODULE_LOAD_FAILED_ERROR;
    }
}

NPError OSCALL NP_Shutdown(void) {
    try {
        NpapiPluginModule::ReleaseModule();
    } catch (const std::exception&) {
        // A refused C_Finalize leaves nothing the browser could act on.
    }
    return NPERR_NO_ERROR;
}
