#include "ApiFixture.h"

#include "FactoryBase.h"
#include "Pkcs11.h"
#include "ProcessPkcs11.h"
#include "SharedLibrary.h"
#include "Store.h"
#include "TestEnv.h"
#include "Utf.h"

namespace fs = std::filesystem;

std::string statusAnswer(int status) {
    return "read\nline " + std::to_string(status) + "\n";
}

ApiFixture::ApiFixture() : gui(pinAnswer()), tokenDir(gui.path() / "token") {
    fs::create_directory(tokenDir);
    fs::copy_file(hostPath(KV_SOFTTOKEN_MODULE), gui.path() / pkcs11ModuleFileName());
    setEnvironment("KVSOFTTOKEN_DIR", tokenDir.string());
    configure(pinSlot());
}

ApiFixture::~ApiFixture() {
    destroyPlugin();
    configure(m_slots);
    FB::getFactoryInstance()->GlobalPluginDeinitialize();
}

void ApiFixture::configure(const std::string& slots, const std::string& faults) {
    m_slots = slots;
    softtoken::Store(tokenDir).writeConfig(slots + faults);
}

void ApiFixture::createPlugin(const FB::BrowserHostPtr& host, const std::string& modulePath) {
    plugin = FB::getFactoryInstance()->CreatePlugin("application/x-kestrova");
    plugin->SetHost(host);
    plugin->SetFSPath(modulePath.empty() ? wideToUtf8(gui.wide()) + "/npkestrova" : modulePath);
    api = plugin->GetRootJSAPI();
    ASSERT_TRUE(api) << "no scripting object";
}

void ApiFixture::destroyPlugin() {
    if (!plugin)
        return;
    plugin->Shutdown();
    plugin.reset();
}

FB::variant ApiFixture::call(const std::string& method, const FB::VariantList& args) {
    return api->Invoke(method, args);
}

std::string ApiFixture::text(const std::string& method, const FB::VariantList& args) {
    const FB::variant result = call(method, args);
    if (!result.holds<std::string>()) {
        ADD_FAILURE() << method << " gave no text but " << result.convert_to<std::string>();
        return std::string();
    }
    return result.convert_to<std::string>();
}

KV_SOFTTOKEN_STATUS ApiFixture::status(CK_SLOT_ID slot) {
    auto* table = static_cast<KV_FUNCTION_LIST_EXTENDED*>(processPkcs11()->extendedFunctionList());
    KV_SOFTTOKEN_STATUS s{};
    EXPECT_EQ(table->KV_SoftTokenStatus(slot, &s), CKR_OK);
    return s;
}

void ApiFixture::expectIdle() {
    std::mutex& lock = processPkcs11()->moduleLock();
    EXPECT_TRUE(lock.try_lock()) << "the module lock is still held";
    lock.unlock();
    const KV_SOFTTOKEN_STATUS s = status();
    EXPECT_EQ(s.sessions, 0u);
    EXPECT_EQ(s.loggedIn, KV_NOBODY);
}

std::vector<std::string> ApiFixture::recorded(const std::string& prefix) {
    std::vector<std::string> lines;
    for (const std::string& line : gui.record()) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    }
    return lines;
}
