#include "KestrovaEcp.h"

#include "SecureWipe.h"
#include "inputPin.h"

KestrovaEcp::KestrovaEcp(Pkcs11& module, CK_SLOT_ID slot, const std::wstring& pluginDirectory,
                         PinEntryAbort* pinEntry)
    : UserToken(module, slot), pluginDirectory(pluginDirectory), pinEntry(pinEntry) {}

Bytes KestrovaEcp::sign(const std::string& name, const Bytes& data) {
    return signWith(CKM_GOSTR3410, name, data);
}

Bytes KestrovaEcp::hashSign(const std::string& name, const Bytes& data) {
    return signWith(CKM_GOSTR3410_WITH_GOSTR3411, name, data);
}

void KestrovaEcp::login(std::int32_t mode, const std::string& text, const std::string& pin) {
    if (isLoggedIn())
        return;
    std::string entered = inputPin(pluginDirectory, mode, text, pin, pinEntry);
    struct Wipe {
        std::string& secret;
        ~Wipe() { secureWipe(secret); }
    } wipe{entered};
    userLogin(reinterpret_cast<CK_UTF8CHAR_PTR>(&entered[0]),
              static_cast<CK_ULONG>(entered.size()));
}
