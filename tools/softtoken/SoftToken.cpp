#include "SoftToken.h"

#include "SecureWipe.h"

#include <algorithm>
#include <cstring>

namespace softtoken {

namespace {

// PKCS#11 text fields are blank-padded, not terminated.
void pad(unsigned char* field, std::size_t size, const std::string& text) {
    std::memset(field, ' ', size);
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

bool samePin(const std::string& expected, const unsigned char* entered, CK_ULONG length) {
    // Compares every byte whatever the first difference, so timing does not reveal the PIN.
    if (expected.empty())
        return length == 0;
    unsigned char difference = expected.size() == length ? 0 : 1;
    for (CK_ULONG i = 0; i < length; ++i)
        difference |= static_cast<unsigned char>(entered[i] ^ expected[i % expected.size()]);
    return difference == 0;
}

} // namespace

SoftToken::Signing::~Signing() {
    secureWipe(key.data(), key.size());
    secureWipe(data.data(), data.size());
}

SoftToken::SoftToken(Store store, const Config& config) : store_(std::move(store)) {
    reconfigure(config);
    for (Slot& slot : slots_) {
        slot.reportedPresent = slot.config.present;
        slot.reportedSerial = slot.config.serial;
    }
}

SoftToken::~SoftToken() = default;

void SoftToken::reconfigure(const Config& config) {
    while (slots_.size() > config.slots.size()) {
        dropSessions(slots_.size() - 1);
        slots_.pop_back();
    }
    for (std::size_t i = 0; i < config.slots.size(); ++i) {
        const SlotConfig& next = config.slots[i];
        if (i == slots_.size()) {
            slots_.push_back(Slot{next, KV_NOBODY, false, {}});
            continue;
        }
        const SlotConfig& current = slots_[i].config;
        if (!(current.present && next.present && current.serial == next.serial))
            dropSessions(i);
        slots_[i].config = next;
    }
}

void SoftToken::dropSessions(CK_SLOT_ID slot) {
    std::vector<CK_SESSION_HANDLE> handles;
    for (const auto& [handle, session] : sessions_)
        if (session.slot == slot)
            handles.push_back(handle);
    for (CK_SESSION_HANDLE handle : handles)
        endSession(handle);
    slots_[slot].loggedIn = KV_NOBODY;
}

void SoftToken::endSession(CK_SESSION_HANDLE handle) {
    const CK_SLOT_ID slot = sessions_.at(handle).slot;
    sessionObjects_.erase(std::remove_if(sessionObjects_.begin(), sessionObjects_.end(),
                                         [&](const SessionObject& o) { return o.owner == handle; }),
                          sessionObjects_.end());
    sessions_.erase(handle);
    // The login belongs to the application's sessions; it ends with the last one.
    const bool last = std::none_of(sessions_.begin(), sessions_.end(),
                                   [&](const auto& s) { return s.second.slot == slot; });
    if (last)
        slots_[slot].loggedIn = KV_NOBODY;
}

SoftToken::Session* SoftToken::findSession(CK_SESSION_HANDLE handle) {
    const auto it = sessions_.find(handle);
    return it == sessions_.end() ? nullptr : &it->second;
}

SoftToken::Slot* SoftToken::presentSlot(CK_SLOT_ID id) {
    if (id >= slots_.size() || !slots_[id].config.present)
        return nullptr;
    return &slots_[id];
}

CK_RV SoftToken::getSlotList(CK_BBOOL tokenPresent, CK_SLOT_ID_PTR list, CK_ULONG_PTR count) {
    if (!count)
        return CKR_ARGUMENTS_BAD;
    std::vector<CK_SLOT_ID> ids;
    for (CK_SLOT_ID id = 0; id < slots_.size(); ++id)
        if (!tokenPresent || slots_[id].config.present)
            ids.push_back(id);
    if (!list) {
        *count = ids.size();
        return CKR_OK;
    }
    if (*count < ids.size()) {
        *count = ids.size();
        return CKR_BUFFER_TOO_SMALL;
    }
    std::copy(ids.begin(), ids.end(), list);
    *count = ids.size();
    return CKR_OK;
}

CK_RV SoftToken::getSlotInfo(CK_SLOT_ID id, CK_SLOT_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    if (id >= slots_.size())
        return CKR_SLOT_ID_INVALID;
    const SlotConfig& config = slots_[id].config;
    pad(info->slotDescription, sizeof info->slotDescription, config.description);
    pad(info->manufacturerID, sizeof info->manufacturerID, "Kestrova");
    info->flags = CKF_REMOVABLE_DEVICE | (config.present ? CKF_TOKEN_PRESENT : 0);
    info->hardwareVersion = {1, 0};
    info->firmwareVersion = {1, 0};
    return CKR_OK;
}

CK_RV SoftToken::getTokenInfo(CK_SLOT_ID id, CK_TOKEN_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    if (id >= slots_.size())
        return CKR_SLOT_ID_INVALID;
    const Slot* slot = presentSlot(id);
    if (!slot)
        return CKR_TOKEN_NOT_PRESENT;
    const SlotConfig& config = slot->config;
    TokenFile file;
    if (CK_RV rv = readTokenFile(*slot, file))
        return rv;

    pad(info->label, sizeof info->label, config.label);
    pad(info->manufacturerID, sizeof info->manufacturerID, "Kestrova");
    pad(info->model, sizeof info->model, "Soft GOST token");
    pad(info->serialNumber, sizeof info->serialNumber, config.serial);
    info->flags = CKF_RNG | CKF_LOGIN_REQUIRED | CKF_TOKEN_INITIALIZED;
    if (config.pin)
        info->flags |= CKF_USER_PIN_INITIALIZED;
    if (config.protectedPath)
        info->flags |= CKF_PROTECTED_AUTHENTICATION_PATH;
    if (file.pinFailures >= config.pinTries)
        info->flags |= CKF_USER_PIN_LOCKED;
    else if (file.pinFailures + 1 == config.pinTries)
        info->flags |= CKF_USER_PIN_FINAL_TRY | CKF_USER_PIN_COUNT_LOW;
    else if (file.pinFailures > 0)
        info->flags |= CKF_USER_PIN_COUNT_LOW;

    info->ulMaxSessionCount = CK_EFFECTIVELY_INFINITE;
    info->ulMaxRwSessionCount = CK_EFFECTIVELY_INFINITE;
    info->ulSessionCount = 0;
    info->ulRwSessionCount = 0;
    for (const auto& [handle, session] : sessions_) {
        if (session.slot != id)
            continue;
        ++info->ulSessionCount;
        if (session.flags & CKF_RW_SESSION)
            ++info->ulRwSessionCount;
    }
    info->ulMaxPinLen = 32;
    info->ulMinPinLen = 4;
    info->ulTotalPublicMemory = CK_UNAVAILABLE_INFORMATION;
    info->ulFreePublicMemory = CK_UNAVAILABLE_INFORMATION;
    info->ulTotalPrivateMemory = CK_UNAVAILABLE_INFORMATION;
    info->ulFreePrivateMemory = CK_UNAVAILABLE_INFORMATION;
    info->hardwareVersion = {1, 0};
    info->firmwareVersion = {1, 0};
    pad(info->utcTime, sizeof info->utcTime, ""); // no clock on the token
    return CKR_OK;
}

CK_RV SoftToken::pollSlotEvent(CK_SLOT_ID_PTR slot) {
    for (CK_SLOT_ID id = 0; id < slots_.size(); ++id) {
        Slot& s = slots_[id];
        if (s.config.present != s.reportedPresent ||
            (s.config.present && s.config.serial != s.reportedSerial)) {
            s.reportedPresent = s.config.present;
            s.reportedSerial = s.config.serial;
            *slot = id;
            return CKR_OK;
        }
    }
    return CKR_NO_EVENT;
}

CK_RV SoftToken::openSession(CK_SLOT_ID id, CK_FLAGS flags, CK_SESSION_HANDLE_PTR session) {
    if (!session)
        return CKR_ARGUMENTS_BAD;
    if (!(flags & CKF_SERIAL_SESSION))
        return CKR_SESSION_PARALLEL_NOT_SUPPORTED;
    if (id >= slots_.size())
        return CKR_SLOT_ID_INVALID;
    Slot* slot = presentSlot(id);
    if (!slot)
        return CKR_TOKEN_NOT_PRESENT;
    if (!(flags & CKF_RW_SESSION) && slot->loggedIn == CKU_SO)
        return CKR_SESSION_READ_WRITE_SO_EXISTS;
    const CK_SESSION_HANDLE handle = nextSession_++;
    sessions_[handle] = Session{id, flags & (CKF_SERIAL_SESSION | CKF_RW_SESSION), {}, {}, {}};
    *session = handle;
    return CKR_OK;
}

CK_RV SoftToken::closeSession(CK_SESSION_HANDLE handle) {
    if (!findSession(handle))
        return CKR_SESSION_HANDLE_INVALID;
    endSession(handle);
    return CKR_OK;
}

CK_RV SoftToken::closeAllSessions(CK_SLOT_ID id) {
    if (id >= slots_.size())
        return CKR_SLOT_ID_INVALID;
    if (!presentSlot(id))
        return CKR_TOKEN_NOT_PRESENT;
    dropSessions(id);
    return CKR_OK;
}

CK_RV SoftToken::getSessionInfo(CK_SESSION_HANDLE handle, CK_SESSION_INFO_PTR info) {
    if (!info)
        return CKR_ARGUMENTS_BAD;
    const Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    const bool rw = session->flags & CKF_RW_SESSION;
    info->slotID = session->slot;
    info->flags = session->flags;
    info->ulDeviceError = 0;
    switch (slots_[session->slot].loggedIn) {
    case CKU_USER:
        info->state = rw ? CKS_RW_USER_FUNCTIONS : CKS_RO_USER_FUNCTIONS;
        break;
    case CKU_SO:
        info->state = CKS_RW_SO_FUNCTIONS;
        break;
    default:
        info->state = rw ? CKS_RW_PUBLIC_SESSION : CKS_RO_PUBLIC_SESSION;
    }
    return CKR_OK;
}

CK_RV SoftToken::login(CK_SESSION_HANDLE handle, CK_USER_TYPE user, CK_UTF8CHAR_PTR pin,
                       CK_ULONG length) {
    const Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    if (user != CKU_USER && user != CKU_SO)
        return CKR_USER_TYPE_INVALID;
    Slot& slot = slots_[session->slot];
    if (slot.loggedIn == user)
        return CKR_USER_ALREADY_LOGGED_IN;
    if (slot.loggedIn != KV_NOBODY)
        return CKR_USER_ANOTHER_ALREADY_LOGGED_IN;
    if (user == CKU_SO)
        for (const auto& [h, s] : sessions_)
            if (s.slot == session->slot && !(s.flags & CKF_RW_SESSION))
                return CKR_SESSION_READ_ONLY_EXISTS;
    const SlotConfig& config = slot.config;
    const std::optional<std::string>& expected = user == CKU_USER ? config.pin : config.soPin;
    if (!expected)
        return user == CKU_USER ? CKR_USER_PIN_NOT_INITIALIZED : CKR_PIN_INCORRECT;
    if (!pin && length > 0)
        return CKR_ARGUMENTS_BAD;
    // Without a PIN a reader with a keypad asks for one; here the keypad "types" keypad-input.
    std::string keypad;
    if (!pin) {
        if (!config.protectedPath)
            return CKR_ARGUMENTS_BAD;
        keypad = user == CKU_USER && config.keypadInput ? *config.keypadInput : *expected;
        pin = reinterpret_cast<CK_UTF8CHAR_PTR>(&keypad[0]);
        length = keypad.size();
    }
    const bool right = samePin(*expected, pin, length);
    secureWipe(keypad);

    if (user == CKU_SO) {
        if (!right)
            return CKR_PIN_INCORRECT;
        slot.loggedIn = CKU_SO;
        return CKR_OK;
    }
    CK_RV verdict = CKR_OK;
    const CK_RV rv = store_.update(config.serial, [&](TokenFile& file) {
        if (file.pinFailures >= config.pinTries)
            verdict = CKR_PIN_LOCKED;
        else if (right)
            file.pinFailures = 0;
        else {
            ++file.pinFailures;
            verdict = CKR_PIN_INCORRECT;
        }
        return CKR_OK;
    });
    if (rv != CKR_OK)
        return rv;
    if (verdict != CKR_OK)
        return verdict;
    slot.loggedIn = CKU_USER;
    return CKR_OK;
}

CK_RV SoftToken::logout(CK_SESSION_HANDLE handle) {
    const Session* session = findSession(handle);
    if (!session)
        return CKR_SESSION_HANDLE_INVALID;
    Slot& slot = slots_[session->slot];
    if (slot.loggedIn == KV_NOBODY)
        return CKR_USER_NOT_LOGGED_IN;
    slot.loggedIn = KV_NOBODY;
    // A signature begun under the login does not outlive it.
    for (auto& [h, s] : sessions_)
        if (s.slot == session->slot)
            s.signing.reset();
    return CKR_OK;
}

bool SoftToken::userLoggedIn(const Session& session) const {
    return slots_[session.slot].loggedIn == CKU_USER;
}

CK_RV SoftToken::readTokenFile(const Slot& slot, TokenFile& file) {
    return store_.read(slot.config.serial, file);
}

CK_RV SoftToken::status(CK_SLOT_ID id, KV_SOFTTOKEN_STATUS* status) {
    if (!status)
        return CKR_ARGUMENTS_BAD;
    if (id >= slots_.size())
        return CKR_SLOT_ID_INVALID;
    *status = KV_SOFTTOKEN_STATUS{0, 0, slots_[id].loggedIn, 0, 0};
    for (const auto& [handle, session] : sessions_) {
        if (session.slot != id)
            continue;
        ++status->sessions;
        if (session.flags & CKF_RW_SESSION)
            ++status->rwSessions;
    }
    for (const SessionObject& o : sessionObjects_)
        if (o.slot == id)
            ++status->sessionObjects;
    if (slots_[id].config.present) {
        TokenFile file;
        if (CK_RV rv = readTokenFile(slots_[id], file))
            return rv;
        status->pinFailures = file.pinFailures;
    }
    return CKR_OK;
}

} // namespace softtoken
