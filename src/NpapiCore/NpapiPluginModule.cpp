#include "NpapiPluginModule.h"

#include "NpapiBrowserHost.h"
#include "NpapiPlugin.h"
#include "PluginCreateError.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>

namespace FB::Npapi {

struct ModuleRegistry {
    std::map<const void*, std::unique_ptr<NpapiPluginModule>> modules;
    int count = 0;
    NpapiPluginModule* current = nullptr;

    static ModuleRegistry& get() {
        static ModuleRegistry registry;
        return registry;
    }
};

namespace {

// What NPP_*'s pdata holds.
struct InstanceData {
    NpapiBrowserHostPtr host;
    std::shared_ptr<NpapiPlugin> plugin;
};

InstanceData* dataOf(NPP instance) {
    return instance ? static_cast<InstanceData*>(instance->pdata) : nullptr;
}

NPError newInstance(NPMIMEType type, NPP instance, uint16_t, int16_t argc, char* argn[],
                    char* argv[], NPSavedData*) {
    if (!instance)
        return NPERR_INVALID_INSTANCE_ERROR;
    NpapiPluginModule* module = ModuleRegistry::get().current;
    if (!module)
        return NPERR_GENERIC_ERROR;
    try {
        const NpapiBrowserHostPtr host = createBrowserHost(instance);
        host->SetBrowserFuncs(module->NetscapeFuncs());
        const std::string mimeType = type ? type : "";
        auto plugin = createNpapiPlugin(module->Factory(), host, mimeType);
        if (!plugin)
            return NPERR_OUT_OF_MEMORY_ERROR;
        auto data = std::make_unique<InstanceData>(InstanceData{host, plugin});
        instance->pdata = data.release();
        plugin->Init(argc, argn, argv);
        return NPERR_NO_ERROR;
    } catch (const PluginCreateError& e) {
        std::printf("%s\n", e.what());
        return NPERR_INCOMPATIBLE_VERSION_ERROR;
    } catch (const std::bad_alloc& e) {
        std::printf("%s\n", e.what());
        return NPERR_OUT_OF_MEMORY_ERROR;
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return NPERR_GENERIC_ERROR;
    }
}

NPError destroyInstance(NPP instance, NPSavedData**) {
    InstanceData* data = dataOf(instance);
    if (!data)
        return NPERR_INVALID_INSTANCE_ERROR;
    try {
        data->host->Shutdown();
        data->plugin->Shutdown();
    } catch (const std::exception&) {
        // The instance goes regardless.
    }
    instance->pdata = nullptr;
    delete data;
    return NPERR_NO_ERROR;
}

NPError setWindow(NPP instance, NPWindow* window) {
    InstanceData* data = dataOf(instance);
    return data ? data->plugin->SetWindow(window) : NPERR_INVALID_INSTANCE_ERROR;
}

NPError getValue(NPP instance, NPPVariable variable, void* value) {
    InstanceData* data = dataOf(instance);
    if (!instance) {
        NpapiPluginModule* module = ModuleRegistry::get().current;
        return module ? NpapiPluginModule::GetValueWithoutInstance(
                            module->Factory().shared_from_this(), variable, value)
                      : NPERR_GENERIC_ERROR;
    }
    if (!data)
        return NPERR_INVALID_INSTANCE_ERROR;
    try {
        return data->plugin->GetValue(variable, value);
    } catch (const std::exception&) {
        return NPERR_GENERIC_ERROR;
    }
}

NPError setValue(NPP instance, NPNVariable, void*) {
    return dataOf(instance) ? NPERR_GENERIC_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

// Streams, printing and events: this plug-in draws nothing and reads no stream.
NPError newStream(NPP instance, NPMIMEType, NPStream*, NPBool, uint16_t* type) {
    if (!dataOf(instance))
        return NPERR_INVALID_INSTANCE_ERROR;
    *type = NP_NORMAL;
    return NPERR_NO_ERROR;
}

NPError destroyStream(NPP instance, NPStream*, NPReason) {
    return dataOf(instance) ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

int32_t writeReady(NPP, NPStream*) {
    return NP_MAXREADY;
}

int32_t write(NPP, NPStream*, int32_t, int32_t len, void*) {
    return len;
}

void streamAsFile(NPP, NPStream*, const char*) {}

void print(NPP, NPPrint*) {}

int16_t handleEvent(NPP, void*) {
    return kNPEventNotHandled;
}

void urlNotify(NPP, const char*, NPReason, void*) {}

} // namespace

NpapiPluginModule::NpapiPluginModule(const FactoryBasePtr& factory)
    : m_factory(factory), m_thread(std::this_thread::get_id()) {}

NpapiPluginModule& NpapiPluginModule::GetModule(const FactoryBasePtr& factory, const void* key) {
    ModuleRegistry& registry = ModuleRegistry::get();
    auto& module = registry.modules[key];
    if (!module) {
        if (registry.count == 0)
            factory->GlobalPluginInitialize();
        module.reset(new NpapiPluginModule(factory));
        ++registry.count;
    }
    if (!key)
        registry.current = module.get();
    return *module;
}

void NpapiPluginModule::ReleaseModule(const void* key) {
    ModuleRegistry& registry = ModuleRegistry::get();
    const auto found = registry.modules.find(key);
    if (found == registry.modules.end())
        return;
    const FactoryBasePtr factory = found->second->m_factory;
    if (registry.current == found->second.get())
        registry.current = nullptr;
    registry.modules.erase(found);
    if (--registry.count == 0)
        factory->GlobalPluginDeinitialize();
}

int NpapiPluginModule::ActiveModuleCount() {
    return ModuleRegistry::get().count;
}

void NpapiPluginModule::SetNetscapeFuncs(const NPNetscapeFuncs* funcs) {
    m_browser = NPNetscapeFuncs{};
    if (!funcs)
        return;
    const std::size_t size = std::min<std::size_t>(funcs->size, sizeof(NPNetscapeFuncs));
    std::memcpy(&m_browser, funcs, size);
    m_browser.size = static_cast<uint16_t>(size);
}

void NpapiPluginModule::GetPluginFuncs(NPPluginFuncs* funcs) const {
    // Only as far as the browser's table reaches: it may be shorter than ours.
    NPPluginFuncs ours{};
    ours.newp = newInstance;
    ours.destroy = destroyInstance;
    ours.setwindow = setWindow;
    ours.newstream = newStream;
    ours.destroystream = destroyStream;
    ours.asfile = streamAsFile;
    ours.writeready = writeReady;
    ours.write = write;
    ours.print = print;
    ours.event = handleEvent;
    ours.urlnotify = urlNotify;
    ours.getvalue = getValue;
    ours.setvalue = setValue;
    const std::size_t header = offsetof(NPPluginFuncs, newp);
    const std::size_t end = std::min<std::size_t>(funcs->size, offsetof(NPPluginFuncs, gotfocus));
    void* const javaClass = funcs->javaClass;
    if (end > header) {
        std::memcpy(reinterpret_cast<char*>(funcs) + header,
                    reinterpret_cast<const char*>(&ours) + header, end - header);
    }
    if (end > offsetof(NPPluginFuncs, javaClass))
        funcs->javaClass = javaClass;
}

NPError NpapiPluginModule::GetValueWithoutInstance(const FactoryBasePtr& factory,
                                                   NPPVariable variable, void* value) {
    // Kept for the life of the process: the browser keeps the pointers.
    switch (variable) {
    case NPPVpluginNameString: {
        static const std::string name = factory->GetPluginName("");
        *static_cast<const char**>(value) = name.c_str();
        return NPERR_NO_ERROR;
    }
    case NPPVpluginDescriptionString: {
        static const std::string description = factory->GetPluginDescription("");
        *static_cast<const char**>(value) = description.c_str();
        return NPERR_NO_ERROR;
    }
    default:
        return NPERR_GENERIC_ERROR;
    }
}

} // namespace FB::Npapi
