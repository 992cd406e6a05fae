#pragma once

#include "UserToken.h"

#include <string>

class PinEntryAbort;

// A token whose PIN the user types on the computer, into the PIN-entry program.
class KestrovaEcp : public UserToken {
public:
    KestrovaEcp(Pkcs11& module, CK_SLOT_ID slot, const std::wstring& pluginDirectory,
                PinEntryAbort* pinEntry = nullptr);

    // CKM_GOSTR3410: data is the hash value itself.
    Bytes sign(const std::string& name, const Bytes& data) override;
    // CKM_GOSTR3410_WITH_GOSTR3411: the token hashes the data.
    Bytes hashSign(const std::string& name, const Bytes& data) override;
    // Asks the PIN-entry program in the plug-in directory, unless already logged in.
    void login(std::int32_t mode, const std::string& text, const std::string& pin) override;

private:
    std::wstring pluginDirectory;
    PinEntryAbort* pinEntry;
};
