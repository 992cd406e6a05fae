// The module's exported entry points. Each one counts itself for fault injection, forwards in
// adapter mode, and otherwise runs on the software token under the module's one lock.

#include "Adapter.h"
#include "AdapterTemplates.h"
#include "Faults.h"
#include "Files.h"
#include "KvSoftToken.h"
#include "Process.h"
#include "SoftToken.h"
#include "Store.h"

#include <Pkcs11Gost.h>
#include <chrono>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

using namespace softtoken;

namespace {

struct ModuleState {
    std::mutex mutex;
    std::filesystem::path directory; // fixed from C_Initialize to C_Finalize
    std::optional<std::string> configText;
    Faults faults;
    std::unique_ptr<SoftToken> token;
    std::shared_ptr<Adapter> adapter;
    unsigned long initializedBy = 0; // the process that called C_Initialize

    bool initialized() const { return token || adapter; }
};

ModuleState& state() {
    static ModuleState s;
    return s;
}

// Re-reads the configuration; a changed file that parses takes effect, one that does not is
// ignored (it may be half written by a careless test).
void refresh(ModuleState& s) {
    const std::filesystem::path directory = s.initialized() ? s.directory : stateDirectory();
    std::optional<std::string> text;
    try {
        text = Store(directory).readConfig();
    } catch (const std::system_error&) {
        return;
    }
    const std::string content = text.value_or(std::string());
    if (s.configText && *s.configText == content)
        return;
    try {
        const Config config = parseConfig(content);
        s.faults.configure(config.faults);
        if (s.token)
            s.token->reconfigure(config);
        s.configText = content;
    } catch (const ConfigError&) {
    }
}

template <class Soft, class Forward> CK_RV dispatch(const char* name, Soft soft, Forward forward) {
    try {
        ModuleState& s = state();
        std::unique_lock<std::mutex> lock(s.mutex);
        refresh(s);
        if (CK_RV rv = s.faults.check(name))
            return rv;
        if (s.adapter) {
            // Held so that a C_Finalize meanwhile cannot unload the module under the call.
            const std::shared_ptr<Adapter> adapter = s.adapter;
            lock.unlock();
            return forward(adapter->functions());
        }
        if (!s.token)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        return soft(*s.token);
    } catch (const std::bad_alloc&) {
        return CKR_HOST_MEMORY;
    } catch (...) {
        return CKR_GENERAL_ERROR;
    }
}

CK_RV checkInitArgs(CK_VOID_PTR initArgs) {
    if (!initArgs)
        return CKR_OK;
    const auto* args = static_cast<CK_C_INITIALIZE_ARGS*>(initArgs);
    if (args->pReserved)
        return CKR_ARGUMENTS_BAD;
    const int given = (args->CreateMutex != nullptr) + (args->DestroyMutex != nullptr) +
                      (args->LockMutex != nullptr) + (args->UnlockMutex != nullptr);
    // Either all four mutex functions or none; the module locks with its own mutex either way.
    if (given != 0 && given != 4)
        return CKR_ARGUMENTS_BAD;
    return CKR_OK;
}

CK_RV initialize(CK_VOID_PTR initArgs) {
    ModuleState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    refresh(s);
    if (s.initialized() && s.initializedBy != currentProcessId()) {
        // A forked child is an application of its own that must initialise anew: it inherits
        // no session and no login. In adapter mode the next module is loaded again for it.
        s.token.reset();
        s.adapter.reset();
        s.faults.restart();
    }
    if (CK_RV rv = s.faults.check("C_Initialize"))
        return rv;
    if (s.initialized())
        return CKR_CRYPTOKI_ALREADY_INITIALIZED;
    if (CK_RV rv = checkInitArgs(initArgs))
        return rv;
    s.directory = stateDirectory();
    Config config;
    try {
        const auto text = Store(s.directory).readConfig();
        config = parseConfig(text.value_or(std::string()));
        s.configText = text.value_or(std::string());
    } catch (const std::exception&) {
        return CKR_GENERAL_ERROR;
    }
    s.faults.configure(config.faults);
    s.initializedBy = currentProcessId();
    if (config.adapter)
        return Adapter::load(*config.adapter, initArgs, s.adapter);
    Store store(s.directory);
    store.writeFault = [&s]() { return s.faults.check("write"); };
    s.token = std::make_unique<SoftToken>(std::move(store), config);
    return CKR_OK;
}

CK_RV finalize(CK_VOID_PTR reserved) {
    ModuleState& s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    refresh(s);
    if (CK_RV rv = s.faults.check("C_Finalize"))
        return rv;
    if (reserved)
        return CKR_ARGUMENTS_BAD;
    if (s.adapter) {
        std::shared_ptr<Adapter> adapter = std::move(s.adapter);
        s.faults.restart();
        lock.unlock();
        return adapter->functions()->C_Finalize(reserved);
    }
    if (!s.token)
        return CKR_CRYPTOKI_NOT_INITIALIZED;
    s.token.reset();
    s.faults.restart();
    return CKR_OK;
}

void padText(unsigned char* field, std::size_t size, const char* text) {
    std::memset(field, ' ', size);
    std::memcpy(field, text, std::min(size, std::strlen(text)));
}

CK_RV getInfo(CK_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    info->cryptokiVersion = {2, 40};
    padText(info->manufacturerID, sizeof info->manufacturerID, "Kestrova");
    info->flags = 0;
    padText(info->libraryDescription, sizeof info->libraryDescription,
            "Kestrova software GOST token");
    info->libraryVersion = {1, 0};
    return CKR_OK;
}

CK_RV waitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot, CK_VOID_PTR reserved) {
    ModuleState& s = state();
    bool counted = false;
    for (;;) {
        try {
            std::unique_lock<std::mutex> lock(s.mutex);
            refresh(s);
            if (!counted) {
                counted = true;
                if (CK_RV rv = s.faults.check("C_WaitForSlotEvent"))
                    return rv;
            }
            if (s.adapter) {
                const std::shared_ptr<Adapter> adapter = s.adapter;
                lock.unlock();
                return adapter->functions()->C_WaitForSlotEvent(flags, slot, reserved);
            }
            if (!s.token)
                return CKR_CRYPTOKI_NOT_INITIALIZED;
            if (!slot || reserved)
                return CKR_ARGUMENTS_BAD;
            const CK_RV rv = s.token->pollSlotEvent(slot);
            if (rv != CKR_NO_EVENT || (flags & CKF_DONT_BLOCK))
                return rv;
        } catch (const std::bad_alloc&) {
            return CKR_HOST_MEMORY;
        } catch (...) {
            return CKR_GENERAL_ERROR;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

CK_FUNCTION_LIST functionList();

const KV_FUNCTION_LIST_EXTENDED extendedList = {{1, 0}, KV_SoftTokenStatus};

} // namespace

// An entry point: the soft token's answer, or in adapter mode the call forwarded to the next
// module as given (or with its templates completed, AdapterTemplates.h).
#define KV_ADAPTED_ENTRY(name, params, soft, forwarded)                                            \
    extern "C" CK_RV name params {                                                                 \
        return dispatch(                                                                           \
            #name, [&](SoftToken& token) -> CK_RV { return soft; },                                \
            [&](CK_FUNCTION_LIST_PTR next) -> CK_RV { return forwarded; });                        \
    }
#define KV_ENTRY(name, params, args, soft) KV_ADAPTED_ENTRY(name, params, soft, next->name args)

// Functions this token does not offer; in adapter mode they still reach the next module.
#define KV_UNSUPPORTED(name, params, args)                                                         \
    KV_ENTRY(name, params, args, ((void)token, CKR_FUNCTION_NOT_SUPPORTED))

extern "C" CK_RV C_Initialize(CK_VOID_PTR initArgs) {
    try {
        return initialize(initArgs);
    } catch (const std::bad_alloc&) {
        return CKR_HOST_MEMORY;
    } catch (...) {
        return CKR_GENERAL_ERROR;
    }
}

extern "C" CK_RV C_Finalize(CK_VOID_PTR reserved) {
    try {
        return finalize(reserved);
    } catch (...) {
        return CKR_GENERAL_ERROR;
    }
}

KV_ENTRY(C_GetInfo, (CK_INFO_PTR info), (info), ((void)token, getInfo(info)))

extern "C" CK_RV C_GetFunctionList(CK_FUNCTION_LIST_PTR_PTR list) {
    static CK_FUNCTION_LIST table = functionList();
    try {
        ModuleState& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        refresh(s);
        if (CK_RV rv = s.faults.check("C_GetFunctionList"))
            return rv;
    } catch (...) {
        return CKR_GENERAL_ERROR;
    }
    if (!list)
        return CKR_ARGUMENTS_BAD;
    *list = &table;
    return CKR_OK;
}

extern "C" CK_RV C_EX_GetFunctionListExtended(CK_VOID_PTR_PTR list) {
    try {
        ModuleState& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        refresh(s);
        if (CK_RV rv = s.faults.check("C_EX_GetFunctionListExtended"))
            return rv;
    } catch (...) {
        return CKR_GENERAL_ERROR;
    }
    if (!list)
        return CKR_ARGUMENTS_BAD;
    *list = const_cast<KV_FUNCTION_LIST_EXTENDED*>(&extendedList);
    return CKR_OK;
}

extern "C" CK_RV KV_SoftTokenStatus(CK_SLOT_ID slot, KV_SOFTTOKEN_STATUS* status) {
    try {
        ModuleState& s = state();
        std::unique_lock<std::mutex> lock(s.mutex);
        refresh(s);
        if (s.adapter) {
            const std::shared_ptr<Adapter> adapter = s.adapter;
            lock.unlock();
            return adapter->status() ? adapter->status()(slot, status) : CKR_FUNCTION_NOT_SUPPORTED;
        }
        if (!s.token)
            return CKR_CRYPTOKI_NOT_INITIALIZED;
        return s.token->status(slot, status);
    } catch (...) {
        return CKR_GENERAL_ERROR;
    }
}

KV_ENTRY(C_GetSlotList, (CK_BBOOL present, CK_SLOT_ID_PTR list, CK_ULONG_PTR count),
         (present, list, count), token.getSlotList(present, list, count))
KV_ENTRY(C_GetSlotInfo, (CK_SLOT_ID slot, CK_SLOT_INFO_PTR info), (slot, info),
         token.getSlotInfo(slot, info))
KV_ENTRY(C_GetTokenInfo, (CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info), (slot, info),
         token.getTokenInfo(slot, info))
KV_ENTRY(C_GetMechanismList, (CK_SLOT_ID slot, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count),
         (slot, list, count), token.getMechanismList(slot, list, count))
KV_ENTRY(C_GetMechanismInfo, (CK_SLOT_ID slot, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO_PTR info),
         (slot, type, info), token.getMechanismInfo(slot, type, info))
KV_UNSUPPORTED(C_InitToken,
               (CK_SLOT_ID slot, CK_UTF8CHAR_PTR pin, CK_ULONG pinLength, CK_UTF8CHAR_PTR label),
               (slot, pin, pinLength, label))
KV_UNSUPPORTED(C_InitPIN, (CK_SESSION_HANDLE session, CK_UTF8CHAR_PTR pin, CK_ULONG pinLength),
               (session, pin, pinLength))
KV_UNSUPPORTED(C_SetPIN,
               (CK_SESSION_HANDLE session, CK_UTF8CHAR_PTR oldPin, CK_ULONG oldLength,
                CK_UTF8CHAR_PTR newPin, CK_ULONG newLength),
               (session, oldPin, oldLength, newPin, newLength))
KV_ENTRY(C_OpenSession,
         (CK_SLOT_ID slot, CK_FLAGS flags, CK_VOID_PTR application, CK_NOTIFY notify,
          CK_SESSION_HANDLE_PTR session),
         (slot, flags, application, notify, session), token.openSession(slot, flags, session))
KV_ENTRY(C_CloseSession, (CK_SESSION_HANDLE session), (session), token.closeSession(session))
KV_ENTRY(C_CloseAllSessions, (CK_SLOT_ID slot), (slot), token.closeAllSessions(slot))
KV_ENTRY(C_GetSessionInfo, (CK_SESSION_HANDLE session, CK_SESSION_INFO_PTR info), (session, info),
         token.getSessionInfo(session, info))
KV_UNSUPPORTED(C_GetOperationState,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR state, CK_ULONG_PTR length),
               (session, state, length))
KV_UNSUPPORTED(C_SetOperationState,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR state, CK_ULONG length,
                CK_OBJECT_HANDLE encryptionKey, CK_OBJECT_HANDLE authenticationKey),
               (session, state, length, encryptionKey, authenticationKey))
KV_ENTRY(C_Login,
         (CK_SESSION_HANDLE session, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin, CK_ULONG length),
         (session, user, pin, length), token.login(session, user, pin, length))
KV_ENTRY(C_Logout, (CK_SESSION_HANDLE session), (session), token.logout(session))
KV_ADAPTED_ENTRY(C_CreateObject,
                 (CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR templ, CK_ULONG count,
                  CK_OBJECT_HANDLE_PTR object),
                 token.createObject(session, templ, count, object),
                 forwardCreateObject(next, session, templ, count, object))
KV_UNSUPPORTED(C_CopyObject,
               (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR templ,
                CK_ULONG count, CK_OBJECT_HANDLE_PTR copy),
               (session, object, templ, count, copy))
KV_ENTRY(C_DestroyObject, (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object), (session, object),
         token.destroyObject(session, object))
KV_UNSUPPORTED(C_GetObjectSize,
               (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ULONG_PTR size),
               (session, object, size))
KV_ENTRY(C_GetAttributeValue,
         (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR templ,
          CK_ULONG count),
         (session, object, templ, count), token.getAttributeValue(session, object, templ, count))
KV_UNSUPPORTED(C_SetAttributeValue,
               (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_PTR templ,
                CK_ULONG count),
               (session, object, templ, count))
KV_ENTRY(C_FindObjectsInit, (CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR templ, CK_ULONG count),
         (session, templ, count), token.findObjectsInit(session, templ, count))
KV_ENTRY(C_FindObjects,
         (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE_PTR objects, CK_ULONG max,
          CK_ULONG_PTR count),
         (session, objects, max, count), token.findObjects(session, objects, max, count))
KV_ENTRY(C_FindObjectsFinal, (CK_SESSION_HANDLE session), (session),
         token.findObjectsFinal(session))
KV_UNSUPPORTED(C_EncryptInit,
               (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key),
               (session, mechanism, key))
KV_UNSUPPORTED(C_Encrypt,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, data, length, out, outLength))
KV_UNSUPPORTED(C_EncryptUpdate,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, part, length, out, outLength))
KV_UNSUPPORTED(C_EncryptFinal, (CK_SESSION_HANDLE session, CK_BYTE_PTR out, CK_ULONG_PTR length),
               (session, out, length))
KV_UNSUPPORTED(C_DecryptInit,
               (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key),
               (session, mechanism, key))
KV_UNSUPPORTED(C_Decrypt,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, data, length, out, outLength))
KV_UNSUPPORTED(C_DecryptUpdate,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, part, length, out, outLength))
KV_UNSUPPORTED(C_DecryptFinal, (CK_SESSION_HANDLE session, CK_BYTE_PTR out, CK_ULONG_PTR length),
               (session, out, length))
KV_ENTRY(C_DigestInit, (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism),
         (session, mechanism), token.digestInit(session, mechanism))
KV_ENTRY(C_Digest,
         (CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR out,
          CK_ULONG_PTR outLength),
         (session, data, length, out, outLength),
         token.digest(session, data, length, out, outLength))
KV_ENTRY(C_DigestUpdate, (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length),
         (session, part, length), token.digestUpdate(session, part, length))
KV_UNSUPPORTED(C_DigestKey, (CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key), (session, key))
KV_ENTRY(C_DigestFinal, (CK_SESSION_HANDLE session, CK_BYTE_PTR out, CK_ULONG_PTR length),
         (session, out, length), token.digestFinal(session, out, length))
KV_ENTRY(C_SignInit, (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key),
         (session, mechanism, key), token.signInit(session, mechanism, key))
KV_ENTRY(C_Sign,
         (CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR signature,
          CK_ULONG_PTR signatureLength),
         (session, data, length, signature, signatureLength),
         token.sign(session, data, length, signature, signatureLength))
KV_ENTRY(C_SignUpdate, (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length),
         (session, part, length), token.signUpdate(session, part, length))
KV_ENTRY(C_SignFinal,
         (CK_SESSION_HANDLE session, CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength),
         (session, signature, signatureLength),
         token.signFinal(session, signature, signatureLength))
KV_UNSUPPORTED(C_SignRecoverInit,
               (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key),
               (session, mechanism, key))
KV_UNSUPPORTED(C_SignRecover,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, data, length, out, outLength))
KV_UNSUPPORTED(C_VerifyInit,
               (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key),
               (session, mechanism, key))
KV_UNSUPPORTED(C_Verify,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR signature,
                CK_ULONG signatureLength),
               (session, data, length, signature, signatureLength))
KV_UNSUPPORTED(C_VerifyUpdate, (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length),
               (session, part, length))
KV_UNSUPPORTED(C_VerifyFinal,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR signature, CK_ULONG signatureLength),
               (session, signature, signatureLength))
KV_UNSUPPORTED(C_VerifyRecoverInit,
               (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key),
               (session, mechanism, key))
KV_UNSUPPORTED(C_VerifyRecover,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR signature, CK_ULONG length, CK_BYTE_PTR data,
                CK_ULONG_PTR dataLength),
               (session, signature, length, data, dataLength))
KV_UNSUPPORTED(C_DigestEncryptUpdate,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, part, length, out, outLength))
KV_UNSUPPORTED(C_DecryptDigestUpdate,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, part, length, out, outLength))
KV_UNSUPPORTED(C_SignEncryptUpdate,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, part, length, out, outLength))
KV_UNSUPPORTED(C_DecryptVerifyUpdate,
               (CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length, CK_BYTE_PTR out,
                CK_ULONG_PTR outLength),
               (session, part, length, out, outLength))
KV_UNSUPPORTED(C_GenerateKey,
               (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_ATTRIBUTE_PTR templ,
                CK_ULONG count, CK_OBJECT_HANDLE_PTR key),
               (session, mechanism, templ, count, key))
KV_ADAPTED_ENTRY(C_GenerateKeyPair,
                 (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism,
                  CK_ATTRIBUTE_PTR publicTemplate, CK_ULONG publicCount,
                  CK_ATTRIBUTE_PTR privateTemplate, CK_ULONG privateCount,
                  CK_OBJECT_HANDLE_PTR publicKey, CK_OBJECT_HANDLE_PTR privateKey),
                 token.generateKeyPair(session, mechanism, publicTemplate, publicCount,
                                       privateTemplate, privateCount, publicKey, privateKey),
                 forwardGenerateKeyPair(next, session, mechanism, publicTemplate, publicCount,
                                        privateTemplate, privateCount, publicKey, privateKey))
KV_UNSUPPORTED(C_WrapKey,
               (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE wrapping,
                CK_OBJECT_HANDLE key, CK_BYTE_PTR wrapped, CK_ULONG_PTR wrappedLength),
               (session, mechanism, wrapping, key, wrapped, wrappedLength))
KV_UNSUPPORTED(C_UnwrapKey,
               (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE unwrapping,
                CK_BYTE_PTR wrapped, CK_ULONG wrappedLength, CK_ATTRIBUTE_PTR templ, CK_ULONG count,
                CK_OBJECT_HANDLE_PTR key),
               (session, mechanism, unwrapping, wrapped, wrappedLength, templ, count, key))
KV_ADAPTED_ENTRY(C_DeriveKey,
                 (CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE base,
                  CK_ATTRIBUTE_PTR templ, CK_ULONG count, CK_OBJECT_HANDLE_PTR key),
                 token.deriveKey(session, mechanism, base, templ, count, key),
                 forwardDeriveKey(next, session, mechanism, base, templ, count, key))
KV_ENTRY(C_SeedRandom, (CK_SESSION_HANDLE session, CK_BYTE_PTR seed, CK_ULONG length),
         (session, seed, length), ((void)token, CKR_RANDOM_SEED_NOT_SUPPORTED))
KV_ENTRY(C_GenerateRandom, (CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length),
         (session, data, length), token.generateRandom(session, data, length))
KV_ENTRY(C_GetFunctionStatus, (CK_SESSION_HANDLE session), (session),
         ((void)token, CKR_FUNCTION_NOT_PARALLEL))
KV_ENTRY(C_CancelFunction, (CK_SESSION_HANDLE session), (session),
         ((void)token, CKR_FUNCTION_NOT_PARALLEL))

extern "C" CK_RV C_WaitForSlotEvent(CK_FLAGS flags, CK_SLOT_ID_PTR slot, CK_VOID_PTR reserved) {
    return waitForSlotEvent(flags, slot, reserved);
}

namespace {

CK_FUNCTION_LIST functionList() {
    CK_FUNCTION_LIST list;
    list.version = {2, 40};
#define KV_SET(name) list.name = name
    KV_SET(C_Initialize);
    KV_SET(C_Finalize);
    KV_SET(C_GetInfo);
    KV_SET(C_GetFunctionList);
    KV_SET(C_GetSlotList);
    KV_SET(C_GetSlotInfo);
    KV_SET(C_GetTokenInfo);
    KV_SET(C_GetMechanismList);
    KV_SET(C_GetMechanismInfo);
    KV_SET(C_InitToken);
    KV_SET(C_InitPIN);
    KV_SET(C_SetPIN);
    KV_SET(C_OpenSession);
    KV_SET(C_CloseSession);
    KV_SET(C_CloseAllSessions);
    KV_SET(C_GetSessionInfo);
    KV_SET(C_GetOperationState);
    KV_SET(C_SetOperationState);
    KV_SET(C_Login);
    KV_SET(C_Logout);
    KV_SET(C_CreateObject);
    KV_SET(C_CopyObject);
    KV_SET(C_DestroyObject);
    KV_SET(C_GetObjectSize);
    KV_SET(C_GetAttributeValue);
    KV_SET(C_SetAttributeValue);
    KV_SET(C_FindObjectsInit);
    KV_SET(C_FindObjects);
    KV_SET(C_FindObjectsFinal);
    KV_SET(C_EncryptInit);
    KV_SET(C_Encrypt);
    KV_SET(C_EncryptUpdate);
    KV_SET(C_EncryptFinal);
    KV_SET(C_DecryptInit);
    KV_SET(C_Decrypt);
    KV_SET(C_DecryptUpdate);
    KV_SET(C_DecryptFinal);
    KV_SET(C_DigestInit);
    KV_SET(C_Digest);
    KV_SET(C_DigestUpdate);
    KV_SET(C_DigestKey);
    KV_SET(C_DigestFinal);
    KV_SET(C_SignInit);
    KV_SET(C_Sign);
    KV_SET(C_SignUpdate);
    KV_SET(C_SignFinal);
    KV_SET(C_SignRecoverInit);
    KV_SET(C_SignRecover);
    KV_SET(C_VerifyInit);
    KV_SET(C_Verify);
    KV_SET(C_VerifyUpdate);
    KV_SET(C_VerifyFinal);
    KV_SET(C_VerifyRecoverInit);
    KV_SET(C_VerifyRecover);
    KV_SET(C_DigestEncryptUpdate);
    KV_SET(C_DecryptDigestUpdate);
    KV_SET(C_SignEncryptUpdate);
    KV_SET(C_DecryptVerifyUpdate);
    KV_SET(C_GenerateKey);
    KV_SET(C_GenerateKeyPair);
    KV_SET(C_WrapKey);
    KV_SET(C_UnwrapKey);
    KV_SET(C_DeriveKey);
    KV_SET(C_SeedRandom);
    KV_SET(C_GenerateRandom);
    KV_SET(C_GetFunctionStatus);
    KV_SET(C_CancelFunction);
    KV_SET(C_WaitForSlotEvent);
#undef KV_SET
    return list;
}

} // namespace
