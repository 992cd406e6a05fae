#include "Pkcs11.h"

#include "Exception.h"
#include "KestrovaEcp.h"
#include "Pinpad.h"
#include "Pkcs11Call.h"
#include "Pkcs11Gost.h"

#include <vector>

namespace {

// The entry points looked up by name report their failure unmapped.
void checkEntryPoint(const char* name, CK_RV rv) {
    if (rv != CKR_OK)
        throw Exception(static_cast<std::int32_t>(rv), name);
}

std::vector<CK_SLOT_ID> slotsWithToken(CK_FUNCTION_LIST_PTR f) {
    return readVariableLength<CK_SLOT_ID>([f](CK_SLOT_ID_PTR slots, CK_ULONG_PTR count) {
        pkcs11Call("C_GetSlotList", f->C_GetSlotList, CK_TRUE, slots, count);
    });
}

} // namespace

Pkcs11::Pkcs11(const std::wstring& pluginDirectory)
    : m_pluginDirectory(pluginDirectory),
      m_library(loadSharedLibrary(joinPath(pluginDirectory, pkcs11ModuleFileName()))) {
    auto getFunctionList =
        reinterpret_cast<CK_C_GetFunctionList>(m_library->symbol("C_GetFunctionList"));
    checkEntryPoint("C_GetFunctionList", getFunctionList(&m_functionList));
    auto getExtended = reinterpret_cast<CK_C_EX_GetFunctionListExtended>(
        m_library->symbol("C_EX_GetFunctionListExtended"));
    checkEntryPoint("C_EX_GetFunctionListExtended", getExtended(&m_extendedFunctionList));
    // No arguments: the module is not asked to use the system's locking.
    pkcs11Call("C_Initialize", m_functionList->C_Initialize, nullptr);
}

CK_SLOT_ID Pkcs11::firstTokenSlot() {
    const std::vector<CK_SLOT_ID> slots = slotsWithToken(m_functionList);
    if (slots.empty())
        throw Exception(-1, "getToken");
    return slots.front();
}

CK_TOKEN_INFO Pkcs11::getTokenInfo(CK_SLOT_ID slot) {
    CK_TOKEN_INFO info{};
    pkcs11Call("C_GetTokenInfo", m_functionList->C_GetTokenInfo, slot, &info);
    return info;
}

std::unique_ptr<Token> Pkcs11::getToken(PinEntryAbort* pinEntry) {
    const CK_SLOT_ID slot = firstTokenSlot();
    if (getTokenInfo(slot).flags & CKF_PROTECTED_AUTHENTICATION_PATH)
        return std::make_unique<Pinpad>(*this, slot);
    return std::make_unique<KestrovaEcp>(*this, slot, m_pluginDirectory, pinEntry);
}

bool Pkcs11::isTokenPresent() {
    return !slotsWithToken(m_functionList).empty();
}

std::string Pkcs11::getDeviceId() {
    const CK_TOKEN_INFO info = getTokenInfo(firstTokenSlot());
    const char* serial = reinterpret_cast<const char*>(info.serialNumber);
    const std::string field(serial, sizeof(info.serialNumber));
    return field.substr(0, field.find(' '));
}

int Pkcs11::pollSlotEvent() {
    CK_SLOT_ID slot = 0;
    const CK_RV rv = m_functionList->C_WaitForSlotEvent(CKF_DONT_BLOCK, &slot, nullptr);
    if (rv == CKR_NO_EVENT)
        return 2;
    if (rv != CKR_OK)
        throw Pkcs11Exception("C_WaitForSlotEvent", rv);
    CK_SLOT_INFO info{};
    pkcs11Call("C_GetSlotInfo", m_functionList->C_GetSlotInfo, slot, &info);
    return (info.flags & CKF_TOKEN_PRESENT) ? 0 : 1;
}

void Pkcs11::finalize() {
    pkcs11Call("C_Finalize", m_functionList->C_Finalize, nullptr);
}
