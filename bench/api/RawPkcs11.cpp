#include "RawPkcs11.h"

#include "Template.h"

#include <stdexcept>

namespace {

void check(const char* function, CK_RV rv) {
    if (rv != CKR_OK)
        throw std::runtime_error(std::string(function) + " answered " + std::to_string(rv));
}

} // namespace

CK_SLOT_ID RawPkcs11::firstTokenSlot() {
    CK_ULONG count = 0;
    check("C_GetSlotList", m_functions->C_GetSlotList(CK_TRUE, nullptr, &count));
    std::vector<CK_SLOT_ID> slots(count);
    check("C_GetSlotList", m_functions->C_GetSlotList(CK_TRUE, slots.data(), &count));
    if (count == 0)
        throw std::runtime_error("no token");
    return slots.front();
}

std::string RawPkcs11::deviceId() {
    CK_TOKEN_INFO info{};
    check("C_GetTokenInfo", m_functions->C_GetTokenInfo(firstTokenSlot(), &info));
    const std::string serial(reinterpret_cast<const char*>(info.serialNumber),
                             sizeof(info.serialNumber));
    return serial.substr(0, serial.find(' '));
}

std::vector<unsigned char> RawPkcs11::publicKey(CK_SLOT_ID slot, const std::string& name) {
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
    check("C_OpenSession", m_functions->C_OpenSession(slot, CKF_SERIAL_SESSION | CKF_RW_SESSION,
                                                      nullptr, nullptr, &session));
    CK_OBJECT_CLASS objectClass = CKO_PUBLIC_KEY;
    CK_BBOOL token = CK_TRUE;
    std::string label = kvwLabel;
    std::string id = name;
    CK_ATTRIBUTE search[] = {{CKA_CLASS, &objectClass, sizeof(objectClass)},
                             {CKA_TOKEN, &token, sizeof(token)},
                             {CKA_LABEL, &label[0], label.size()},
                             {CKA_ID, &id[0], id.size()}};
    CK_OBJECT_HANDLE found[2];
    CK_ULONG count = 0;
    check("C_FindObjectsInit", m_functions->C_FindObjectsInit(session, search, 4));
    check("C_FindObjects", m_functions->C_FindObjects(session, found, 2, &count));
    check("C_FindObjectsFinal", m_functions->C_FindObjectsFinal(session));
    if (count != 1)
        throw std::runtime_error("no single public key named " + name);

    CK_ATTRIBUTE value{CKA_VALUE, nullptr, 0};
    check("C_GetAttributeValue", m_functions->C_GetAttributeValue(session, found[0], &value, 1));
    std::vector<unsigned char> bytes(value.ulValueLen);
    value.pValue = bytes.data();
    check("C_GetAttributeValue", m_functions->C_GetAttributeValue(session, found[0], &value, 1));
    check("C_CloseSession", m_functions->C_CloseSession(session));
    return bytes;
}
