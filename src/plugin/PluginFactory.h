#pragma once

#include "FactoryBase.h"

// Makes the Kestrova plug-in objects and ends the process's use of the PKCS#11 module.
class PluginFactory : public FB::FactoryBase {
public:
    FB::PluginCorePtr CreatePlugin(const std::string& mimeType) override;
    void GlobalPluginInitialize() override {}
    // Finalises and deletes the process's PKCS#11 module object, if there is one; a refused
    // C_Finalize passes on as a Pkcs11Exception and leaves it in place.
    void GlobalPluginDeinitialize() override;
};
