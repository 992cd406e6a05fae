#pragma once

#include "CryptoLibrary.h"
#include "SharedLibrary.h"

#include <p11-kit/pkcs11.h>

#include <memory>
#include <mutex>
#include <string>

class Token;

// The token maker's PKCS#11 module, loaded from the plug-in's directory and initialised once.
// One per process; every Token session holds its module lock, so sessions never overlap.
class Pkcs11 final : public CryptoLibrary {
public:
    explicit Pkcs11(const std::wstring& pluginDirectory);
    Pkcs11(const Pkcs11&) = delete;
    Pkcs11& operator=(const Pkcs11&) = delete;

    std::unique_ptr<Token> getToken(PinEntryAbort* pinEntry = nullptr) override;
    bool isTokenPresent() override;
    std::string getDeviceId() override;
    int pollSlotEvent() override;

    // C_Finalize; the module object stays as it was when it fails.
    void finalize();

    const std::wstring& pluginDirectory() const { return m_pluginDirectory; }
    CK_FUNCTION_LIST_PTR functionList() const { return m_functionList; }
    void* extendedFunctionList() const { return m_extendedFunctionList; }
    // Held by the one open Token; not recursive.
    std::mutex& moduleLock() { return m_moduleLock; }

private:
    CK_SLOT_ID firstTokenSlot();
    CK_TOKEN_INFO getTokenInfo(CK_SLOT_ID slot);

    std::wstring m_pluginDirectory;
    std::unique_ptr<SharedLibrary> m_library;
    CK_FUNCTION_LIST_PTR m_functionList = nullptr;
    void* m_extendedFunctionList = nullptr;
    std::mutex m_moduleLock;
};
