// Objects: creation, search, attribute reads, private objects, persistence.

#include "SoftTokenFixture.h"

namespace {

const CK_ULONG certificateClass = CKO_CERTIFICATE;
const CK_ULONG dataClass = CKO_DATA;
const CK_ULONG publicClass = CKO_PUBLIC_KEY;

} // namespace

class SoftTokenObjectTest : public SoftTokenTest {
protected:
    void SetUp() override {
        SoftTokenTest::SetUp();
        writeSingleToken();
        initialize();
        session = openSession();
    }

    // The plug-in's certificate template.
    CK_RV importCertificate(const std::string& name, const Bytes& value, CK_OBJECT_HANDLE& out) {
        std::vector<CK_ATTRIBUTE> templ = {
            attr(CKA_TOKEN, yes),      attr(CKA_CLASS, certificateClass),
            attr(CKA_LABEL, kvwLabel), attr(CKA_ID, name),
            attr(CKA_PRIVATE, no),     attr(CKA_VALUE, value)};
        return p11->C_CreateObject(session, templ.data(), templ.size(), &out);
    }

    std::vector<CK_OBJECT_HANDLE> findContainer(CK_ULONG objectClass, const std::string& name) {
        return find(session, {attr(CKA_TOKEN, yes), attr(CKA_CLASS, objectClass),
                              attr(CKA_LABEL, kvwLabel), attr(CKA_ID, name)});
    }

    CK_SESSION_HANDLE session = 0;
};

TEST_F(SoftTokenObjectTest, CertificatesAreFoundByExactAttributes) {
    const Bytes certificate = {0x30, 0x82, 0x01, 0x00, 0xAA};
    CK_OBJECT_HANDLE first, second;
    ASSERT_EQ(importCertificate("alpha", certificate, first), CKR_OK);
    ASSERT_EQ(importCertificate("alphabet", certificate, second), CKR_OK);
    EXPECT_EQ(findContainer(CKO_CERTIFICATE, "alpha"), std::vector<CK_OBJECT_HANDLE>{first});
    EXPECT_EQ(findContainer(CKO_CERTIFICATE, "alphabet"), std::vector<CK_OBJECT_HANDLE>{second});
    EXPECT_TRUE(findContainer(CKO_CERTIFICATE, "alph").empty());
    EXPECT_TRUE(findContainer(CKO_PUBLIC_KEY, "alpha").empty());
    EXPECT_EQ(find(session, {}).size(), 2u);
    EXPECT_EQ(attribute(session, first), certificate);
    const Bytes type = attribute(session, first, CKA_CERTIFICATE_TYPE);
    ASSERT_EQ(type.size(), sizeof(CK_ULONG));
    EXPECT_EQ(*reinterpret_cast<const CK_ULONG*>(type.data()), CKC_X_509);
}

TEST_F(SoftTokenObjectTest, AttributeReadsFollowTheTwoCallPattern) {
    const Bytes value(100, 0x5A);
    CK_OBJECT_HANDLE object;
    ASSERT_EQ(importCertificate("c", value, object), CKR_OK);

    Bytes buffer(99);
    CK_ATTRIBUTE read[] = {{CKA_VALUE, nullptr, 0}, {CKA_ID, nullptr, 0}};
    ASSERT_EQ(p11->C_GetAttributeValue(session, object, read, 2), CKR_OK);
    EXPECT_EQ(read[0].ulValueLen, 100u);
    EXPECT_EQ(read[1].ulValueLen, 1u);

    CK_ATTRIBUTE small = {CKA_VALUE, buffer.data(), static_cast<CK_ULONG>(buffer.size())};
    EXPECT_EQ(p11->C_GetAttributeValue(session, object, &small, 1), CKR_BUFFER_TOO_SMALL);
    EXPECT_EQ(small.ulValueLen, CK_UNAVAILABLE_INFORMATION);

    CK_ATTRIBUTE mixed[] = {{CKA_MODULUS, nullptr, 0}, {CKA_LABEL, nullptr, 0}};
    EXPECT_EQ(p11->C_GetAttributeValue(session, object, mixed, 2), CKR_ATTRIBUTE_TYPE_INVALID);
    EXPECT_EQ(mixed[0].ulValueLen, CK_UNAVAILABLE_INFORMATION);
    EXPECT_EQ(mixed[1].ulValueLen, kvwLabel.size()); // the others are still answered

    EXPECT_EQ(p11->C_GetAttributeValue(session, 999, read, 1), CKR_OBJECT_HANDLE_INVALID);
}

TEST_F(SoftTokenObjectTest, CreateObjectRejectsBadTemplates) {
    const CK_ULONG gostKey = CKK_GOSTR3410, unknownClass = 0x1234;
    const Bytes shortKey(63, 1);
    const CK_ULONG shortNumber = 0;
    struct Case {
        const char* what;
        std::vector<CK_ATTRIBUTE> templ;
        CK_RV rv;
    };
    const std::vector<Case> cases = {
        {"no class", {attr(CKA_TOKEN, yes)}, CKR_TEMPLATE_INCOMPLETE},
        {"unknown class", {attr(CKA_CLASS, unknownClass)}, CKR_ATTRIBUTE_VALUE_INVALID},
        {"certificate without value", {attr(CKA_CLASS, certificateClass)}, CKR_TEMPLATE_INCOMPLETE},
        {"unknown attribute",
         {attr(CKA_CLASS, dataClass), attr(CKA_MODULUS, shortKey)},
         CKR_ATTRIBUTE_TYPE_INVALID},
        {"flag of two bytes",
         {attr(CKA_CLASS, dataClass), attr(CKA_TOKEN, &shortNumber, 2)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"class given twice",
         {attr(CKA_CLASS, dataClass), attr(CKA_CLASS, dataClass)},
         CKR_TEMPLATE_INCONSISTENT},
        {"public key of 63 bytes",
         {attr(CKA_CLASS, publicClass), attr(CKA_KEY_TYPE, gostKey),
          attr(CKA_GOSTR3410_PARAMS, cryptoProA), attr(CKA_VALUE, shortKey)},
         CKR_ATTRIBUTE_VALUE_INVALID},
        {"public key without parameters",
         {attr(CKA_CLASS, publicClass), attr(CKA_KEY_TYPE, gostKey), attr(CKA_VALUE, shortKey)},
         CKR_TEMPLATE_INCOMPLETE},
        {"token-only attribute",
         {attr(CKA_CLASS, dataClass), attr(CKA_LOCAL, yes)},
         CKR_ATTRIBUTE_READ_ONLY},
    };
    for (const Case& c : cases) {
        CK_OBJECT_HANDLE object;
        std::vector<CK_ATTRIBUTE> templ = c.templ;
        EXPECT_EQ(p11->C_CreateObject(session, templ.data(), templ.size(), &object), c.rv)
            << c.what;
    }
    EXPECT_TRUE(find(session, {}).empty());
}

TEST_F(SoftTokenObjectTest, PrivateObjectsAreHiddenUntilLogin) {
    const std::string secret = "secret";
    std::vector<CK_ATTRIBUTE> templ = {attr(CKA_CLASS, dataClass), attr(CKA_TOKEN, yes),
                                       attr(CKA_PRIVATE, yes), attr(CKA_VALUE, secret)};
    CK_OBJECT_HANDLE object;
    EXPECT_EQ(p11->C_CreateObject(session, templ.data(), templ.size(), &object),
              CKR_USER_NOT_LOGGED_IN);
    ASSERT_EQ(login(session, "1234"), CKR_OK);
    ASSERT_EQ(p11->C_CreateObject(session, templ.data(), templ.size(), &object), CKR_OK);
    EXPECT_EQ(find(session, {attr(CKA_CLASS, dataClass)}).size(), 1u);
    ASSERT_EQ(p11->C_Logout(session), CKR_OK);
    EXPECT_TRUE(find(session, {attr(CKA_CLASS, dataClass)}).empty());
    CK_ATTRIBUTE read = {CKA_VALUE, nullptr, 0};
    EXPECT_EQ(p11->C_GetAttributeValue(session, object, &read, 1), CKR_OBJECT_HANDLE_INVALID);
    EXPECT_EQ(p11->C_DestroyObject(session, object), CKR_OBJECT_HANDLE_INVALID);
}

TEST_F(SoftTokenObjectTest, ReadOnlySessionsCannotChangeTokenObjects) {
    const CK_SESSION_HANDLE ro = openSession(0, CKF_SERIAL_SESSION);
    CK_OBJECT_HANDLE object;
    std::vector<CK_ATTRIBUTE> token = {attr(CKA_CLASS, dataClass), attr(CKA_TOKEN, yes)};
    EXPECT_EQ(p11->C_CreateObject(ro, token.data(), token.size(), &object), CKR_SESSION_READ_ONLY);
    std::vector<CK_ATTRIBUTE> sessionObject = {attr(CKA_CLASS, dataClass)};
    ASSERT_EQ(p11->C_CreateObject(ro, sessionObject.data(), sessionObject.size(), &object), CKR_OK);
    EXPECT_EQ(status().sessionObjects, 1u);
    ASSERT_EQ(p11->C_CloseSession(ro), CKR_OK); // session objects go with their session
    EXPECT_EQ(status().sessionObjects, 0u);
}

TEST_F(SoftTokenObjectTest, TokenObjectsPersistAndDestroyedOnesStayGone) {
    CK_OBJECT_HANDLE kept, destroyed;
    ASSERT_EQ(importCertificate("kept", {1, 2, 3}, kept), CKR_OK);
    ASSERT_EQ(importCertificate("gone", {4, 5, 6}, destroyed), CKR_OK);
    ASSERT_EQ(p11->C_DestroyObject(session, destroyed), CKR_OK);
    EXPECT_EQ(p11->C_DestroyObject(session, destroyed), CKR_OBJECT_HANDLE_INVALID);
    finalize();
    initialize();
    session = openSession();
    EXPECT_EQ(findContainer(CKO_CERTIFICATE, "kept"), std::vector<CK_OBJECT_HANDLE>{kept});
    EXPECT_TRUE(findContainer(CKO_CERTIFICATE, "gone").empty());
    EXPECT_EQ(attribute(session, kept), (Bytes{1, 2, 3}));
}

TEST_F(SoftTokenObjectTest, SearchesNeedInitAndCannotNest) {
    CK_OBJECT_HANDLE found[4];
    CK_ULONG count;
    EXPECT_EQ(p11->C_FindObjects(session, found, 4, &count), CKR_OPERATION_NOT_INITIALIZED);
    EXPECT_EQ(p11->C_FindObjectsFinal(session), CKR_OPERATION_NOT_INITIALIZED);
    ASSERT_EQ(p11->C_FindObjectsInit(session, nullptr, 0), CKR_OK);
    EXPECT_EQ(p11->C_FindObjectsInit(session, nullptr, 0), CKR_OPERATION_ACTIVE);
    EXPECT_EQ(p11->C_FindObjectsFinal(session), CKR_OK);
}

TEST_F(SoftTokenObjectTest, ImportedPrivateKeysAreSensitiveAndNotFoundByValue) {
    ASSERT_EQ(login(session, "1234"), CKR_OK);
    const CK_ULONG privateClass = CKO_PRIVATE_KEY, gostKey = CKK_GOSTR3410;
    const Bytes d(32, 0x01);
    std::vector<CK_ATTRIBUTE> templ = {attr(CKA_CLASS, privateClass), attr(CKA_KEY_TYPE, gostKey),
                                       attr(CKA_GOSTR3410_PARAMS, cryptoProA), attr(CKA_VALUE, d)};
    CK_OBJECT_HANDLE key;
    ASSERT_EQ(p11->C_CreateObject(session, templ.data(), templ.size(), &key), CKR_OK);
    EXPECT_EQ(find(session, {attr(CKA_CLASS, privateClass)}), std::vector<CK_OBJECT_HANDLE>{key});
    EXPECT_TRUE(find(session, {attr(CKA_CLASS, privateClass), attr(CKA_VALUE, d)}).empty());
    CK_ATTRIBUTE value = {CKA_VALUE, nullptr, 0};
    EXPECT_EQ(p11->C_GetAttributeValue(session, key, &value, 1), CKR_ATTRIBUTE_SENSITIVE);

    const Bytes zero(32, 0); // not a private key of the curve
    templ.back() = attr(CKA_VALUE, zero);
    EXPECT_EQ(p11->C_CreateObject(session, templ.data(), templ.size(), &key),
              CKR_ATTRIBUTE_VALUE_INVALID);
}
