#pragma once

#include "Config.h"
#include "GostKeys.h"
#include "KvSoftToken.h"
#include "Object.h"
#include "SessionOperation.h"
#include "Store.h"

#include <Streebog.h>
#include <map>
#include <optional>
#include <vector>

// The software token: slots from the configuration, sessions and login state of this process,
// token objects in the store, session objects in memory. Not thread-safe: the module entry
// points serialise every call.
namespace softtoken {

class SoftToken {
public:
    SoftToken(Store store, const Config& config);
    ~SoftToken();

    // Applies a changed configuration: a token removed or replaced loses its sessions.
    void reconfigure(const Config& config);

    CK_RV getSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count);
    CK_RV getSlotInfo(CK_SLOT_ID slot, CK_SLOT_INFO_PTR info);
    CK_RV getTokenInfo(CK_SLOT_ID slot, CK_TOKEN_INFO_PTR info);
    // One slot whose presence changed since it was last reported, or CKR_NO_EVENT.
    CK_RV pollSlotEvent(CK_SLOT_ID_PTR slot);
    CK_RV getMechanismList(CK_SLOT_ID slot, CK_MECHANISM_TYPE_PTR list, CK_ULONG_PTR count);
    CK_RV getMechanismInfo(CK_SLOT_ID slot, CK_MECHANISM_TYPE type, CK_MECHANISM_INFO_PTR info);

    CK_RV openSession(CK_SLOT_ID slot, CK_FLAGS flags, CK_SESSION_HANDLE_PTR session);
    CK_RV closeSession(CK_SESSION_HANDLE session);
    CK_RV closeAllSessions(CK_SLOT_ID slot);
    CK_RV getSessionInfo(CK_SESSION_HANDLE session, CK_SESSION_INFO_PTR info);
    CK_RV login(CK_SESSION_HANDLE session, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin, CK_ULONG length);
    CK_RV logout(CK_SESSION_HANDLE session);

    CK_RV createObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR templ, CK_ULONG count,
                       CK_OBJECT_HANDLE_PTR object);
    CK_RV destroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object);
    CK_RV getAttributeValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                            CK_ATTRIBUTE_PTR templ, CK_ULONG count);
    CK_RV findObjectsInit(CK_SESSION_HANDLE session, CK_ATTRIBUTE_PTR templ, CK_ULONG count);
    CK_RV findObjects(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE_PTR objects, CK_ULONG max,
                      CK_ULONG_PTR count);
    CK_RV findObjectsFinal(CK_SESSION_HANDLE session);

    CK_RV signInit(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE key);
    CK_RV sign(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR signature,
               CK_ULONG_PTR signatureLength);
    CK_RV signUpdate(CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length);
    CK_RV signFinal(CK_SESSION_HANDLE session, CK_BYTE_PTR signature, CK_ULONG_PTR signatureLength);
    CK_RV digestInit(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism);
    CK_RV digest(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length, CK_BYTE_PTR digest,
                 CK_ULONG_PTR digestLength);
    CK_RV digestUpdate(CK_SESSION_HANDLE session, CK_BYTE_PTR part, CK_ULONG length);
    CK_RV digestFinal(CK_SESSION_HANDLE session, CK_BYTE_PTR digest, CK_ULONG_PTR digestLength);
    CK_RV generateKeyPair(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism,
                          CK_ATTRIBUTE_PTR publicTemplate, CK_ULONG publicCount,
                          CK_ATTRIBUTE_PTR privateTemplate, CK_ULONG privateCount,
                          CK_OBJECT_HANDLE_PTR publicKey, CK_OBJECT_HANDLE_PTR privateKey);
    CK_RV deriveKey(CK_SESSION_HANDLE session, CK_MECHANISM_PTR mechanism, CK_OBJECT_HANDLE base,
                    CK_ATTRIBUTE_PTR templ, CK_ULONG count, CK_OBJECT_HANDLE_PTR key);
    CK_RV generateRandom(CK_SESSION_HANDLE session, CK_BYTE_PTR data, CK_ULONG length);

    CK_RV status(CK_SLOT_ID slot, KV_SOFTTOKEN_STATUS* status);

private:
    struct Slot {
        SlotConfig config;
        CK_ULONG loggedIn = KV_NOBODY;
        // What C_WaitForSlotEvent last reported; another token counts as a change too.
        bool reportedPresent = false;
        std::string reportedSerial;
    };
    struct Signing : SessionOperation {
        CK_MECHANISM_TYPE mechanism = 0;
        KeyParameters parameters;
        Bytes key;
        Bytes data; // gathered by C_SignUpdate
        ~Signing();
    };
    // A Streebog digest under way (C_DigestInit until C_Digest or C_DigestFinal).
    struct Digesting : SessionOperation {
        explicit Digesting(std::size_t size) : hash(size) {}
        gost::Streebog hash;
    };
    struct Session {
        CK_SLOT_ID slot = 0;
        CK_FLAGS flags = 0;
        std::optional<std::vector<CK_OBJECT_HANDLE>> found; // an active search
        std::optional<Signing> signing;
        std::optional<Digesting> digesting;
    };
    struct SessionObject {
        Object object;
        CK_SLOT_ID slot = 0;
        CK_SESSION_HANDLE owner = 0;
    };

    Session* findSession(CK_SESSION_HANDLE handle);
    Slot* presentSlot(CK_SLOT_ID id);
    void dropSessions(CK_SLOT_ID slot);
    void endSession(CK_SESSION_HANDLE handle);
    bool userLoggedIn(const Session& session) const;
    bool visible(const Session& session, const Object& object) const;
    // CKR_SESSION_READ_ONLY / CKR_USER_NOT_LOGGED_IN when the session may not create or
    // destroy this object.
    CK_RV mayChange(const Session& session, const Object& object) const;
    // Looks an object up by handle among the token's and this process's session objects.
    CK_RV loadObject(const Session& session, CK_OBJECT_HANDLE handle, Object& out);
    // Adds objects, token ones in one atomic write, and reports their handles in order.
    CK_RV addObjects(CK_SESSION_HANDLE owner, std::vector<Object>& objects);
    CK_RV readTokenFile(const Slot& slot, TokenFile& file);
    // The digest of what digesting has taken and data, on a copy: a length query or a buffer too
    // small leaves the operation as it was.
    static CK_RV finishDigest(const Digesting& digesting, const Bytes& data, CK_BYTE_PTR digest,
                              CK_ULONG_PTR digestLength);
    CK_RV finishSignature(Signing& signing, const Bytes& data, CK_BYTE_PTR signature,
                          CK_ULONG_PTR signatureLength);
    // The private key behind a handle, checked for a use (CKA_SIGN or CKA_DERIVE) with a
    // mechanism that takes keys of the algorithms in keyKinds (a bit per KeyAlgorithm).
    CK_RV usableKey(const Session& session, CK_OBJECT_HANDLE handle, CK_ATTRIBUTE_TYPE usage,
                    unsigned keyKinds, Object& key, KeyParameters& parameters);

    Store store_;
    std::vector<Slot> slots_;
    std::map<CK_SESSION_HANDLE, Session> sessions_;
    std::vector<SessionObject> sessionObjects_;
    CK_SESSION_HANDLE nextSession_ = 1;
    CK_OBJECT_HANDLE nextSessionObject_ = 0x80000000ul; // token objects count up from 1
};

} // namespace softtoken
