#include "kestrovaAPI.h"

#include "BrowserHost.h"
#include "Encodings.h"
#include "FactoryBase.h"
#include "ProcessPkcs11.h"
#include "SecretText.h"
#include "kestrova.h"

kestrovaAPI::kestrovaAPI(const std::shared_ptr<kestrova>& plugin,
                         const std::shared_ptr<FB::BrowserHost>& host)
    : m_plugin(plugin), m_host(host), m_site(host ? host->GetPageOrigin() : std::string()),
      m_pkcs11(&openProcessPkcs11(plugin->GetFSPath())), m_pinEntry(plugin->pinEntry()) {
    RegisterProperty("version", FB::make_property(this, &kestrovaAPI::get_version));
    RegisterMethod("get_version", FB::make_method(this, &kestrovaAPI::get_version));
    RegisterMethod("kvwIsTokenPresentAndOK",
                   FB::make_method(this, &kestrovaAPI::kvwIsTokenPresentAndOK));
    RegisterMethod("kvwIsUserLoggedIn", FB::make_method(this, &kestrovaAPI::kvwIsUserLoggedIn));
    RegisterSecretMethod("kvwUserLoginDlg", FB::make_method(this, &kestrovaAPI::kvwUserLoginDlg));
    RegisterMethod("kvwLogout", FB::make_method(this, &kestrovaAPI::kvwLogout));
    RegisterSecretMethod("kvwSign", FB::make_method(this, &kestrovaAPI::kvwSign));
    RegisterSecretMethod("kvwHashSign", FB::make_method(this, &kestrovaAPI::kvwHashSign));
    RegisterSecretMethod("kvwGenKeyPair", FB::make_method(this, &kestrovaAPI::kvwGenKeyPair));
    RegisterSecretMethod("kvwDestroyContainer",
                         FB::make_method(this, &kestrovaAPI::kvwDestroyContainer));
    RegisterMethod("kvwGetNumberOfContainers",
                   FB::make_method(this, &kestrovaAPI::kvwGetNumberOfContainers));
    RegisterMethod("kvwGetContainerName", FB::make_method(this, &kestrovaAPI::kvwGetContainerName));
    RegisterMethod("kvwGetPublicKey", FB::make_method(this, &kestrovaAPI::kvwGetPublicKey));
    RegisterSecretMethod("kvwRepair", FB::make_method(this, &kestrovaAPI::kvwRepair));
    RegisterSecretMethod("kvwMakeSessionKey",
                         FB::make_method(this, &kestrovaAPI::kvwMakeSessionKey));
    RegisterMethod("kvwGetDeviceID", FB::make_method(this, &kestrovaAPI::kvwGetDeviceID));
    RegisterMethod("kvwImportCertificate",
                   FB::make_method(this, &kestrovaAPI::kvwImportCertificate));
}

kestrovaAPI::~kestrovaAPI() = default;

std::string kestrovaAPI::get_version() const {
    return FB::pluginIdentity().version;
}

std::shared_ptr<kestrova> kestrovaAPI::getPlugin() const {
    std::shared_ptr<kestrova> plugin = m_plugin.lock();
    if (!plugin)
        throw FB::script_error("The plugin is invalid");
    return plugin;
}

std::string kestrovaAPI::pinText(const std::string& displayText) const {
    return pinRequestText(displayText, m_site);
}

// Each method binds its member to copies of its arguments; a PIN or key is copied as a
// SecretText, wiped with the work. The methods that take or ask for a PIN or handle key
// material are registered as secret methods and their work marked as holding a secret, so
// what their calls leave on the stack is wiped.

FB::variant kestrovaAPI::kvwIsTokenPresentAndOK(const Callback& success, const Callback& error) {
    return call([this] { return doIsTokenPresentAndOK(); }, success, error);
}

FB::variant kestrovaAPI::kvwIsUserLoggedIn(const Callback& success, const Callback& error) {
    return call([this] { return doIsUserLoggedIn(); }, success, error);
}

FB::variant kestrovaAPI::kvwUserLoginDlg(const OptionalText& pin, const Callback& success,
                                         const Callback& error) {
    const SecretText p(pin.value_or(std::string()));
    return call([this, p] { return doUserLoginDlg(p.text()); }, success, error, Holds::secret);
}

FB::variant kestrovaAPI::kvwLogout(const Callback& success, const Callback& error) {
    return call([this] { return doLogout(); }, success, error);
}

FB::variant kestrovaAPI::kvwSign(const std::string& name, const std::string& data,
                                 const OptionalText& pin, const Callback& success,
                                 const Callback& error) {
    const SecretText p(pin.value_or(std::string()));
    return call([this, name, data, p] { return doSign(name, data, p.text()); }, success, error,
                Holds::secret);
}

FB::variant kestrovaAPI::kvwHashSign(const std::string& name, const std::string& data,
                                     const OptionalText& pin, const Callback& success,
                                     const Callback& error) {
    const SecretText p(pin.value_or(std::string()));
    return call([this, name, data, p] { return doHashSign(name, data, p.text()); }, success, error,
                Holds::secret);
}

FB::variant kestrovaAPI::kvwGenKeyPair(const std::string& name, const OptionalText& pin,
                                       const Callback& success, const Callback& error) {
    const SecretText p(pin.value_or(std::string()));
    return call([this, name, p] { return doGenerateKeyPair(name, p.text()); }, success, error,
                Holds::secret);
}

FB::variant kestrovaAPI::kvwDestroyContainer(const std::string& name, const OptionalText& pin,
                                             const Callback& success, const Callback& error) {
    const SecretText p(pin.value_or(std::string()));
    return call([this, name, p] { return doDestroyContainer(name, p.text()); }, success, error,
                Holds::secret);
}

FB::variant kestrovaAPI::kvwGetNumberOfContainers(const Callback& success, const Callback& error) {
    return call([this] { return doGetNumberOfContainers(); }, success, error);
}

FB::variant kestrovaAPI::kvwGetContainerName(std::int32_t index, const Callback& success,
                                             const Callback& error) {
    return call([this, index] { return doContainerName(index); }, success, error);
}

FB::variant kestrovaAPI::kvwGetPublicKey(const std::string& name, const Callback& success,
                                         const Callback& error) {
    return call([this, name] { return doPublicKey(name); }, success, error);
}

FB::variant kestrovaAPI::kvwRepair(const std::string& scrambledKey, const std::string& hash,
                                   const Callback& success, const Callback& error) {
    const SecretText key(scrambledKey);
    return call([this, key, hash] { return doRepair(key.text(), hash); }, success, error,
                Holds::secret);
}

FB::variant kestrovaAPI::kvwMakeSessionKey(const std::string& name, const std::string& publicKey,
                                           const std::string& ukm, const OptionalText& pin,
                                           const Callback& success, const Callback& error) {
    const SecretText p(pin.value_or(std::string()));
    return call([this, name, publicKey, ukm,
                 p] { return doMakeSessionKey(name, publicKey, ukm, p.text()); },
                success, error, Holds::secret);
}

FB::variant kestrovaAPI::kvwGetDeviceID(const Callback& success, const Callback& error) {
    return call([this] { return doGetDeviceID(); }, success, error);
}

FB::variant kestrovaAPI::kvwImportCertificate(const std::string& name,
                                              const std::string& certificate,
                                              const Callback& success, const Callback& error) {
    return call([this, name, certificate] { return doImportCertificate(name, certificate); },
                success, error);
}
