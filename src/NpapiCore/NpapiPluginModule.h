#pragma once

#include "FactoryBase.h"
#include "npapi_abi.h"

#include <thread>

namespace FB::Npapi {

// The loaded module: the browser's function table and the plug-in functions handed to the
// browser. One per key, made by the first entry point; the system uses one key.
class NpapiPluginModule {
public:
    NpapiPluginModule(const NpapiPluginModule&) = delete;
    NpapiPluginModule& operator=(const NpapiPluginModule&) = delete;

    // The module of the key, made when there is none; the first module of the process starts
    // the factory's global initialisation.
    static NpapiPluginModule& GetModule(const FactoryBasePtr& factory, const void* key = nullptr);
    // Destroys the module of the key; the last one ends the factory's global state.
    static void ReleaseModule(const void* key = nullptr);
    static int ActiveModuleCount();

    void SetNetscapeFuncs(const NPNetscapeFuncs* funcs);
    const NPNetscapeFuncs& NetscapeFuncs() const { return m_browser; }
    FactoryBase& Factory() const { return *m_factory; }
    // Fills the entries the browser's table has room for; size, version and javaClass stay.
    void GetPluginFuncs(NPPluginFuncs* funcs) const;

    // The module's answer without an instance: name and (empty) description.
    static NPError GetValueWithoutInstance(const FactoryBasePtr& factory, NPPVariable variable,
                                           void* value);

private:
    explicit NpapiPluginModule(const FactoryBasePtr& factory);
    friend struct ModuleRegistry;

    const FactoryBasePtr m_factory;
    const std::thread::id m_thread;
    NPNetscapeFuncs m_browser{};
};

} // namespace FB::Npapi
