#pragma once

#include "PluginCore.h"

#include <map>
#include <memory>
#include <string>

namespace FB {

// The process-wide factory that both hosts ask for plug-in objects and for the module's
// identity.
class FactoryBase : public std::enable_shared_from_this<FactoryBase> {
public:
    FactoryBase() = default;
    FactoryBase(const FactoryBase&) = delete;
    FactoryBase& operator=(const FactoryBase&) = delete;
    virtual ~FactoryBase() = default;

    virtual PluginCorePtr CreatePlugin(const std::string& mimeType) = 0;
    // The module is loaded / about to be unloaded.
    virtual void GlobalPluginInitialize() {}
    virtual void GlobalPluginDeinitialize() {}
    virtual int GetLogLevel() const { return 4; }

    std::string GetPluginName(const std::string& mimeType) const;
    // The description of a MIME type from the module's MIME description ("type:ext:text;").
    std::string GetPluginDescription(const std::string& mimeType);

private:
    std::map<std::string, std::string> m_descriptions;
    bool m_descriptionsRead = false;
};

using FactoryBasePtr = std::shared_ptr<FactoryBase>;

// The module's identity, supplied by the plug-in.
struct PluginIdentity {
    const char* name;
    const char* mimeType;
    const char* mimeDescription;
    const char* version;
};
const PluginIdentity& pluginIdentity();

// The one factory of the process, made on first request; supplied by the plug-in.
FactoryBasePtr getFactoryInstance();

} // namespace FB
