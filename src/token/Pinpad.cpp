#include "Pinpad.h"

Pinpad::Pinpad(Pkcs11& module, CK_SLOT_ID slot) : UserToken(module, slot) {}

Bytes Pinpad::sign(const std::string& name, const Bytes& data) {
    return signWith(CKM_GOSTR3410_WITH_GOSTR3411, name, data);
}

Bytes Pinpad::hashSign(const std::string& name, const Bytes& data) {
    return sign(name, data);
}

void Pinpad::login(std::int32_t, const std::string&, const std::string&) {
    if (isLoggedIn())
        return;
    userLogin(nullptr, 0);
}
