#include "Encodings.h"
#include "Pkcs11.h"
#include "RequiredText.h"
#include "Token.h"
#include "kestrova.h"
#include "kestrovaAPI.h"

// Token signatures: the PIN is asked for each one. The token gives s then r; the page gets them
// exchanged, each half in the token's byte order.

FB::variant kestrovaAPI::doSign(const std::string& name, const std::string& data,
                                const std::string& pin) {
    requireText(name, "doSign");
    requireText(data, "doSign");
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    token->login(1, pinText(containerDisplayName(name)), pin);
    // The page writes the hash most significant byte first, the token reads it the other way.
    Bytes hash = hexToBytes(data);
    reverseBytes(hash);
    const Bytes signature = token->sign(name, hash);
    token->close();
    return bytesToHex(swapHalves(signature));
}

FB::variant kestrovaAPI::doHashSign(const std::string& name, const std::string& data,
                                    const std::string& pin) {
    requireText(name, "doHashSign");
    requireText(data, "doHashSign");
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    token->login(1, pinText(containerDisplayName(name)), pin);
    const Bytes signature = token->hashSign(name, hexToBytes(data));
    token->close();
    return bytesToHex(swapHalves(signature));
}
