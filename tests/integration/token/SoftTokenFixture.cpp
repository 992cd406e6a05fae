#include "SoftTokenFixture.h"

#include "Exception.h"
#include "Pkcs11Call.h"
#include "Store.h"
#include "TestEnv.h"

#include <vector>

namespace fs = std::filesystem;

SoftTokenFixture::SoftTokenFixture() : gui(pinAnswer()), tokenDir(gui.path() / "token") {
    fs::create_directory(tokenDir);
    fs::copy_file(hostPath(KV_SOFTTOKEN_MODULE), gui.path() / pkcs11ModuleFileName());
    setEnvironment("KVSOFTTOKEN_DIR", tokenDir.string());
    configure(pinpadSlot("PAD0000000000001"));
}

SoftTokenFixture::~SoftTokenFixture() {
    unload();
}

void SoftTokenFixture::configure(const std::string& slots, const std::string& faults) {
    m_slots = slots;
    softtoken::Store(tokenDir).writeConfig(slots + faults);
}

void SoftTokenFixture::injectFault(const std::string& faults) {
    configure(m_slots, faults);
}

Pkcs11& SoftTokenFixture::load() {
    m_module = std::make_unique<Pkcs11>(gui.wide());
    return *m_module;
}

void SoftTokenFixture::unload() {
    if (!m_module)
        return;
    injectFault("");
    m_module->finalize();
    m_module.reset();
}

KV_SOFTTOKEN_STATUS SoftTokenFixture::status(CK_SLOT_ID slot) {
    auto* table = static_cast<KV_FUNCTION_LIST_EXTENDED*>(m_module->extendedFunctionList());
    KV_SOFTTOKEN_STATUS s{};
    EXPECT_EQ(table->KV_SoftTokenStatus(slot, &s), CKR_OK);
    return s;
}

void SoftTokenFixture::expectIdle(CK_SLOT_ID slot) {
    std::mutex& lock = m_module->moduleLock();
    EXPECT_TRUE(lock.try_lock()) << "the module lock is still held";
    lock.unlock();
    auto* table = static_cast<KV_FUNCTION_LIST_EXTENDED*>(m_module->extendedFunctionList());
    KV_SOFTTOKEN_STATUS s{};
    const CK_RV rv = table->KV_SoftTokenStatus(slot, &s);
    if (rv == CKR_SLOT_ID_INVALID)
        return; // no such reader, so no session on it
    ASSERT_EQ(rv, CKR_OK);
    EXPECT_EQ(s.sessions, 0u);
    EXPECT_EQ(s.loggedIn, KV_NOBODY);
}

void SoftTokenFixture::withToken(const std::function<void(Token&)>& f) {
    std::unique_ptr<Token> token = m_module->getToken();
    f(*token);
    token->close();
}

void SoftTokenFixture::withLogin(const std::function<void(Token&)>& f) {
    withToken([&](Token& token) {
        token.login(1, "container", "");
        f(token);
    });
}

CK_SESSION_HANDLE SoftTokenFixture::openRawSession() {
    CK_FUNCTION_LIST_PTR f = m_module->functionList();
    CK_SLOT_ID slots[8];
    CK_ULONG count = 8;
    pkcs11Call("C_GetSlotList", f->C_GetSlotList, CK_TRUE, slots, &count);
    CK_TOKEN_INFO info{};
    pkcs11Call("C_GetTokenInfo", f->C_GetTokenInfo, slots[0], &info);
    CK_SESSION_HANDLE session = CK_INVALID_HANDLE;
    pkcs11Call("C_OpenSession", f->C_OpenSession, slots[0], CKF_SERIAL_SESSION | CKF_RW_SESSION,
               nullptr, nullptr, &session);
    std::string pin = "1234";
    const bool keypad = info.flags & CKF_PROTECTED_AUTHENTICATION_PATH;
    pkcs11Call("C_Login", f->C_Login, session, CKU_USER,
               keypad ? nullptr : reinterpret_cast<CK_UTF8CHAR_PTR>(&pin[0]),
               keypad ? 0 : static_cast<CK_ULONG>(pin.size()));
    return session;
}

void SoftTokenFixture::closeRawSession(CK_SESSION_HANDLE session) {
    // Closing the process's last session logs it out.
    m_module->functionList()->C_CloseSession(session);
}

CK_OBJECT_HANDLE SoftTokenFixture::createObject(Template& t) {
    const CK_SESSION_HANDLE session = openRawSession();
    CK_OBJECT_HANDLE object = CK_INVALID_HANDLE;
    const CK_RV rv =
        m_module->functionList()->C_CreateObject(session, t.ckAttributes(), t.count(), &object);
    closeRawSession(session);
    EXPECT_EQ(rv, CKR_OK) << "C_CreateObject";
    return object;
}

namespace {

std::vector<CK_OBJECT_HANDLE> findAll(CK_FUNCTION_LIST_PTR f, CK_SESSION_HANDLE session,
                                      Template& t) {
    pkcs11Call("C_FindObjectsInit", f->C_FindObjectsInit, session, t.ckAttributes(), t.count());
    std::vector<CK_OBJECT_HANDLE> found(1000);
    CK_ULONG count = 0;
    pkcs11Call("C_FindObjects", f->C_FindObjects, session, found.data(),
               static_cast<CK_ULONG>(found.size()), &count);
    pkcs11Call("C_FindObjectsFinal", f->C_FindObjectsFinal, session);
    found.resize(count);
    return found;
}

} // namespace

void SoftTokenFixture::destroyObjects(Template& t) {
    const CK_SESSION_HANDLE session = openRawSession();
    CK_FUNCTION_LIST_PTR f = m_module->functionList();
    for (CK_OBJECT_HANDLE object : findAll(f, session, t))
        EXPECT_EQ(f->C_DestroyObject(session, object), CKR_OK);
    closeRawSession(session);
}

CK_ULONG SoftTokenFixture::countObjects(Template& t) {
    const CK_SESSION_HANDLE session = openRawSession();
    const auto found = findAll(m_module->functionList(), session, t);
    closeRawSession(session);
    return static_cast<CK_ULONG>(found.size());
}

void addPublicKeyValue(Template& t) {
    addKeyType(t, CKK_GOSTR3410);
    addGostR3410Params(t);
    // Any point will do for objects that are only listed.
    addValue(t, std::vector<unsigned char>(64, 0x11));
}
