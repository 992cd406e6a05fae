#include "Pkcs11.h"
#include "Token.h"
#include "kestrova.h"
#include "kestrovaAPI.h"

// Whether a token is there, the PIN check, the serial number. No login outlives a call, so the
// logged-in state and logout are fixed answers.

FB::variant kestrovaAPI::doIsTokenPresentAndOK() {
    const std::shared_ptr<kestrova> plugin = getPlugin();
    if (m_pkcs11->isTokenPresent())
        return true;
    return -1;
}

FB::variant kestrovaAPI::doIsUserLoggedIn() {
    return -2;
}

FB::variant kestrovaAPI::doUserLoginDlg(const std::string& pin) {
    const std::shared_ptr<kestrova> plugin = getPlugin();
    const std::unique_ptr<Token> token = m_pkcs11->getToken(m_pinEntry.get());
    token->login(0, pinText(std::string()), pin);
    token->close();
    return true;
}

FB::variant kestrovaAPI::doLogout() {
    return true;
}

FB::variant kestrovaAPI::doGetDeviceID() {
    return m_pkcs11->getDeviceId();
}
