#pragma once

#include "FactoryBase.h"
#include "FakeBrowser.h"
#include "JSAPIAuto.h"
#include "JSObject.h"
#include "NpapiBrowserHost.h"
#include "PluginCore.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace npapitest {

// The scripting object of the test plug-in: a few members that exercise the bridge.
class TestObject : public FB::JSAPIAuto {
public:
    TestObject();
    std::vector<FB::VariantList> calls; // arguments of "record"
};

class TestPlugin : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr CreateJSAPI() override;
    void OnPluginReady() override { ++readyCount; }
    void Shutdown() override { ++shutdownCount; }

    std::shared_ptr<FB::Npapi::NpapiBrowserHost> host() const {
        return std::static_pointer_cast<FB::Npapi::NpapiBrowserHost>(m_host);
    }
    const FB::VariantMap& params() const { return m_params; }

    bool refuseScripting = false;
    int readyCount = 0;
    int shutdownCount = 0;
};

class TestFactory : public FB::FactoryBase {
public:
    FB::PluginCorePtr CreatePlugin(const std::string& mimeType) override;
    void GlobalPluginInitialize() override { ++initialized; }
    void GlobalPluginDeinitialize() override { ++deinitialized; }

    // Replaces plug-in creation, e.g. to fail it.
    std::function<FB::PluginCorePtr()> create;
    std::shared_ptr<TestPlugin> last;
    int initialized = 0;
    int deinitialized = 0;
};

// A loaded module with the fake browser behind it.
class NpapiFixture : public ::testing::Test {
protected:
    NpapiFixture();
    ~NpapiFixture() override;

    NPError newInstance(std::vector<std::pair<std::string, std::string>> params = {});
    NPError destroyInstance();
    // The element's scriptable object (a new reference, released by the fixture).
    NPObject* scriptable();

    // NPN calls on an object with the result owned by the fixture.
    bool invoke(NPObject* object, const std::string& name, std::vector<NPVariant> args = {});
    bool invokeDefault(NPObject* object, std::vector<NPVariant> args = {});
    bool get(NPObject* object, const std::string& name);
    bool set(NPObject* object, const std::string& name, const NPVariant& value);
    const NPVariant& result() const { return m_result; }

    static NPVariant number(int value);
    static NPVariant text(const char* value);
    static NPVariant object(NPObject* value);

    fakenp::FakeBrowser browser;
    std::shared_ptr<TestFactory> factory = std::make_shared<TestFactory>();
    NPPluginFuncs plugin{};

private:
    void clearResult();
    NPVariant m_result{};
    std::vector<NPObject*> m_held;
};

} // namespace npapitest
