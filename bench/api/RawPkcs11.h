#pragma once

#include <p11-kit/pkcs11.h>

#include <string>
#include <vector>

// The work of two scripting calls done with bare PKCS#11 calls on the module's function table,
// the baseline the scripting calls are measured against.
class RawPkcs11 {
public:
    explicit RawPkcs11(CK_FUNCTION_LIST_PTR functions) : m_functions(functions) {}

    // The first slot with a token: C_GetSlotList twice.
    CK_SLOT_ID firstTokenSlot();
    // The serial of the first token up to its padding: the slot list, then C_GetTokenInfo.
    std::string deviceId();
    // CKA_VALUE of the plug-in's public key for container name: a session, one search by class,
    // label and CKA_ID, C_GetAttributeValue for the length and then the value.
    std::vector<unsigned char> publicKey(CK_SLOT_ID slot, const std::string& name);

private:
    CK_FUNCTION_LIST_PTR m_functions;
};
