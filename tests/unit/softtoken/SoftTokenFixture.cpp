#include "SoftTokenFixture.h"

#include "Files.h"
#include "Store.h"

#include <atomic>
#include <chrono>

const std::string kvwLabel = "vorlanek v.10";
const Bytes cryptoProA = {0x06, 0x07, 0x2A, 0x85, 0x03, 0x02, 0x02, 0x23, 0x01};
const CK_BBOOL yes = CK_TRUE;
const CK_BBOOL no = CK_FALSE;

namespace {

std::string modulePath() {
    return KVPKCS11_PATH;
}

} // namespace

void SoftTokenTest::SetUp() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir = std::filesystem::temp_directory_path() /
          ("kvsofttoken-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    softtoken::setEnvironmentVariable("KVSOFTTOKEN_DIR", dir.u8string());
    module = softtoken::Library::open(modulePath());
    ASSERT_TRUE(module) << modulePath();
    auto getFunctionList =
        reinterpret_cast<CK_C_GetFunctionList>(module->symbol("C_GetFunctionList"));
    ASSERT_NE(getFunctionList, nullptr);
    ASSERT_EQ(getFunctionList(&p11), CKR_OK);
}

void SoftTokenTest::TearDown() {
    if (initialized)
        p11->C_Finalize(nullptr);
    module.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

void SoftTokenTest::writeConfig(const std::string& text) {
    softtoken::Store(dir).writeConfig(text);
}

void SoftTokenTest::writeSingleToken(const std::string& extra) {
    writeConfig("[slot]\nlabel = Test token\nserial = 0123456789\npin = 1234\npresent = yes\n" +
                extra);
}

std::string SoftTokenTest::adapterInFrontOfACopy() {
    const std::filesystem::path nextDir = dir / "next";
    const std::filesystem::path copy = copyModule(nextDir);
    softtoken::replaceFile(nextDir / "kvsofttoken.conf",
                           "[slot]\nlabel = Next\nserial = NEXT1\npin = 4321\npresent = yes\n");
    return "[adapter]\nmodule = " + copy.u8string() +
           "\nenv = KVSOFTTOKEN_DIR=" + nextDir.u8string() + "\n";
}

void SoftTokenTest::initialize() {
    ASSERT_EQ(p11->C_Initialize(nullptr), CKR_OK);
    initialized = true;
}

void SoftTokenTest::finalize() {
    ASSERT_EQ(p11->C_Finalize(nullptr), CKR_OK);
    initialized = false;
}

CK_SESSION_HANDLE SoftTokenTest::openSession(CK_SLOT_ID slot, CK_FLAGS flags) {
    CK_SESSION_HANDLE session = 0;
    EXPECT_EQ(p11->C_OpenSession(slot, flags, nullptr, nullptr, &session), CKR_OK);
    return session;
}

CK_RV SoftTokenTest::login(CK_SESSION_HANDLE session, const std::string& pin) {
    return p11->C_Login(session, CKU_USER,
                        reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin.data())),
                        pin.size());
}

KV_SOFTTOKEN_STATUS SoftTokenTest::status(CK_SLOT_ID slot) {
    auto fn = reinterpret_cast<KV_SoftTokenStatusFn>(module->symbol("KV_SoftTokenStatus"));
    KV_SOFTTOKEN_STATUS s{};
    EXPECT_NE(fn, nullptr);
    if (fn) {
        EXPECT_EQ(fn(slot, &s), CKR_OK);
    }
    return s;
}

std::vector<CK_OBJECT_HANDLE> SoftTokenTest::find(CK_SESSION_HANDLE session,
                                                  std::vector<CK_ATTRIBUTE> templ) {
    std::vector<CK_OBJECT_HANDLE> found;
    EXPECT_EQ(p11->C_FindObjectsInit(session, templ.data(), templ.size()), CKR_OK);
    CK_OBJECT_HANDLE batch[2];
    CK_ULONG count = 0;
    do {
        EXPECT_EQ(p11->C_FindObjects(session, batch, 2, &count), CKR_OK);
        found.insert(found.end(), batch, batch + count);
    } while (count > 0);
    EXPECT_EQ(p11->C_FindObjectsFinal(session), CKR_OK);
    return found;
}

Bytes SoftTokenTest::attribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                               CK_ATTRIBUTE_TYPE type) {
    CK_ATTRIBUTE a{type, nullptr, 0};
    EXPECT_EQ(p11->C_GetAttributeValue(session, object, &a, 1), CKR_OK);
    Bytes value(a.ulValueLen);
    a.pValue = value.data();
    EXPECT_EQ(p11->C_GetAttributeValue(session, object, &a, 1), CKR_OK);
    return value;
}

CK_RV SoftTokenTest::generate(CK_SESSION_HANDLE session, const std::string& name,
                              CK_OBJECT_HANDLE& publicKey, CK_OBJECT_HANDLE& privateKey,
                              CK_MECHANISM_TYPE type, CK_KEY_TYPE keyType, const Bytes& params) {
    const CK_ULONG publicClass = CKO_PUBLIC_KEY, privateClass = CKO_PRIVATE_KEY;
    std::vector<CK_ATTRIBUTE> publicTemplate = {
        attr(CKA_TOKEN, yes), attr(CKA_CLASS, publicClass), attr(CKA_LABEL, kvwLabel),
        attr(CKA_ID, name),   attr(CKA_KEY_TYPE, keyType),  attr(CKA_GOSTR3410_PARAMS, params),
        attr(CKA_DERIVE, yes)};
    std::vector<CK_ATTRIBUTE> privateTemplate = publicTemplate;
    privateTemplate[1] = attr(CKA_CLASS, privateClass);
    CK_MECHANISM mechanism{type, nullptr, 0};
    return p11->C_GenerateKeyPair(session, &mechanism, publicTemplate.data(), publicTemplate.size(),
                                  privateTemplate.data(), privateTemplate.size(), &publicKey,
                                  &privateKey);
}

CK_RV SoftTokenTest::sign(CK_SESSION_HANDLE session, CK_MECHANISM_TYPE type, CK_OBJECT_HANDLE key,
                          const Bytes& data, Bytes& signature) {
    CK_MECHANISM mechanism{type, nullptr, 0};
    if (CK_RV rv = p11->C_SignInit(session, &mechanism, key))
        return rv;
    Bytes input = data;
    CK_ULONG length = 0;
    if (CK_RV rv = p11->C_Sign(session, input.data(), input.size(), nullptr, &length))
        return rv;
    signature.resize(length);
    CK_RV rv = p11->C_Sign(session, input.data(), input.size(), signature.data(), &length);
    signature.resize(length);
    return rv;
}

void SoftTokenMechanismTest::SetUp() {
    SoftTokenTest::SetUp();
    writeSingleToken();
    initialize();
    session = openSession();
    ASSERT_EQ(login(session, "1234"), CKR_OK);
}

CK_RV SoftTokenMechanismTest::derive(CK_OBJECT_HANDLE privateKey, Bytes peer, Bytes ukm,
                                     Bytes& value, CK_MECHANISM_TYPE type, CK_ULONG kdf) {
    CK_GOSTR3410_DERIVE_PARAMS params{kdf, peer.data(), static_cast<CK_ULONG>(peer.size()),
                                      ukm.data(), static_cast<CK_ULONG>(ukm.size())};
    CK_MECHANISM mechanism{type, &params, sizeof params};
    const CK_ULONG secretClass = CKO_SECRET_KEY, gost28147 = CKK_GOST28147;
    std::vector<CK_ATTRIBUTE> templ = {attr(CKA_CLASS, secretClass), attr(CKA_KEY_TYPE, gost28147),
                                       attr(CKA_TOKEN, no), attr(CKA_SENSITIVE, no),
                                       attr(CKA_EXTRACTABLE, yes)};
    CK_OBJECT_HANDLE key;
    if (CK_RV rv =
            p11->C_DeriveKey(session, &mechanism, privateKey, templ.data(), templ.size(), &key))
        return rv;
    value = attribute(session, key);
    return p11->C_DestroyObject(session, key);
}

std::filesystem::path copyModule(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path source = std::filesystem::u8path(modulePath());
    const std::filesystem::path copy = folder / source.filename();
    std::filesystem::copy_file(source, copy);
    return copy;
}

CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const void* value, CK_ULONG length) {
    return CK_ATTRIBUTE{type, const_cast<void*>(value), length};
}

CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const CK_ULONG& value) {
    return attr(type, &value, sizeof value);
}

CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const CK_BBOOL& value) {
    return attr(type, &value, sizeof value);
}

CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const std::string& value) {
    return attr(type, value.empty() ? nullptr : value.data(), value.size());
}

CK_ATTRIBUTE attr(CK_ATTRIBUTE_TYPE type, const Bytes& value) {
    return attr(type, value.empty() ? nullptr : value.data(), value.size());
}
