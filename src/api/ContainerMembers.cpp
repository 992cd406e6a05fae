#include "Encodings.h"
#include "Exception.h"
#include "Pkcs11.h"
#include "RequiredText.h"
#include "Token.h"
#include "kestrova.h"
#include "kestrovaAPI.h"

namespace {

// A public key as the page reads it: each coordinate most significant byte first.
std::string publicKeyText(Bytes value) {
    reverseHalves(value);
    return bytesToHex(value);
}

} // namespace

FB::variant kestrovaAPI::doGenerateKeyPair(const std::string& name, const std::string& pin) {
    requireText(name, "doGenerateKeyPair");
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    token->login(2, pinText(containerDisplayName(name)), pin);
    const Bytes value = token->createContainer(name);
    token->close();
    return publicKeyText(value);
}

FB::variant kestrovaAPI::doDestroyContainer(const std::string& name, const std::string& pin) {
    requireText(name, "doDestroyContainer");
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    token->login(3, pinText(containerDisplayName(name)), pin);
    token->destroyContainer(name);
    token->close();
    return true;
}

FB::variant kestrovaAPI::doGetNumberOfContainers() {
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    std::vector<std::string> names = token->getContainers();
    const int count = static_cast<int>(names.size());
    {
        std::lock_guard<std::mutex> lock(m_containerNamesMutex);
        m_containerNames.swap(names);
    }
    token->close();
    return count;
}

FB::variant kestrovaAPI::doContainerName(std::int32_t index) {
    if (index < 0)
        throw Exception(-10, "doContainerName");
    std::lock_guard<std::mutex> lock(m_containerNamesMutex);
    if (static_cast<std::size_t>(index) < m_containerNames.size())
        return m_containerNames[static_cast<std::size_t>(index)];
    throw Exception(-20, "doContainerName");
}

FB::variant kestrovaAPI::doPublicKey(const std::string& name) {
    requireText(name, "doPublicKey");
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    // A page may keep a public key as the certificate of this one container.
    const Bytes value =
        name == "repair key" ? token->getCertificate(name) : token->getPublicKey(name);
    token->close();
    return publicKeyText(value);
}

FB::variant kestrovaAPI::doImportCertificate(const std::string& name,
                                             const std::string& certificate) {
    requireText(name, "doImportCertificate");
    requireText(certificate, "doImportCertificate");
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    token->importCertificate(name, hexToBytes(certificate));
    token->close();
    return true;
}
