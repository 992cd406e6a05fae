#pragma once

#include "UserToken.h"

// A token behind a reader with its own keypad: the reader collects the PIN.
class Pinpad : public UserToken {
public:
    Pinpad(Pkcs11& module, CK_SLOT_ID slot);

    // Both sign with CKM_GOSTR3410_WITH_GOSTR3411, the mechanism such readers offer.
    Bytes sign(const std::string& name, const Bytes& data) override;
    Bytes hashSign(const std::string& name, const Bytes& data) override;
    // C_Login without a PIN; the arguments are not used.
    void login(std::int32_t mode, const std::string& text, const std::string& pin) override;
};
