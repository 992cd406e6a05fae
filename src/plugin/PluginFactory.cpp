#include "PluginFactory.h"

#include "KvVersion.h"
#include "ProcessPkcs11.h"
#include "kestrova.h"

FB::PluginCorePtr PluginFactory::CreatePlugin(const std::string& /*mimeType*/) {
    return std::make_shared<kestrova>();
}

void PluginFactory::GlobalPluginDeinitialize() {
    closeProcessPkcs11();
}

namespace FB {

const PluginIdentity& pluginIdentity() {
    static const PluginIdentity identity{"kestrova", "application/x-kestrova",
                                         "application/x-kestrova::Kestrova WEB Plugin;",
                                         KV_VERSION};
    return identity;
}

FactoryBasePtr getFactoryInstance() {
    static const FactoryBasePtr factory = std::make_shared<PluginFactory>();
    return factory;
}

} // namespace FB
