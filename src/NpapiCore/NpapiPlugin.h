#pragma once

#include "FactoryBase.h"
#include "NpapiBrowserHost.h"
#include "PluginCore.h"
#include "npapi_abi.h"

#include <memory>
#include <string>

namespace FB::Npapi {

// One embedded element: its plug-in object and what the browser asks of the instance.
class NpapiPlugin {
public:
    NpapiPlugin(const NpapiBrowserHostPtr& host, const PluginCorePtr& plugin,
                const std::string& name, const std::string& description);

    const PluginCorePtr& Plugin() const { return m_plugin; }

    // The element's parameters, the windowless declaration and the ready sequence.
    void Init(int16_t argc, char* argn[], char* argv[]);
    void Shutdown();

    NPError GetValue(NPPVariable variable, void* value);
    NPError SetWindow(NPWindow* window);

private:
    const NpapiBrowserHostPtr m_host;
    const PluginCorePtr m_plugin;
    const std::string m_name;
    const std::string m_description;
    bool m_ready = false;
};

// The NPAPI form of a plug-in object that the factory makes for the MIME type; null when it
// makes none.
std::shared_ptr<NpapiPlugin> createNpapiPlugin(FactoryBase& factory,
                                               const NpapiBrowserHostPtr& host,
                                               const std::string& mimeType);

} // namespace FB::Npapi
