#include "Encodings.h"
#include "Pkcs11.h"
#include "RequiredText.h"
#include "SecureWipe.h"
#include "Token.h"
#include "kestrova.h"
#include "kestrovaAPI.h"

FB::variant kestrovaAPI::doMakeSessionKey(const std::string& name, const std::string& publicKey,
                                          const std::string& ukm, const std::string& pin) {
    requireText(name, "doMakeSessionKey");
    requireText(publicKey, "doMakeSessionKey");
    requireText(ukm, "doMakeSessionKey");
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    token->login(4, pinText(containerDisplayName(name)), pin);
    // The page writes X, Y and the UKM most significant byte first; the token wants them the
    // other way.
    Bytes peer = hexToBytes(publicKey);
    reverseHalves(peer);
    Bytes material = hexToBytes(ukm);
    reverseBytes(material);
    Bytes key = token->deriveKey(name, peer, material);
    token->close();
    const std::string text = bytesToHex(key);
    secureWipe(key.data(), key.size());
    return text;
}
