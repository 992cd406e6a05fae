// kvpkcs11 in adapter mode in front of SoftHSM, a conformant PKCS#11 module by other hands that
// has no GOST mechanisms, on a token of the test's own: what works and what fails, and how.
#include "ExpectException.h"
#include "KestrovaEcp.h"
#include "Pkcs11Call.h"
#include "SoftTokenFixture.h"
#include "TestCertificate.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// CKR_MECHANISM_INVALID (0x70), as the plug-in translates it.
constexpr std::int32_t mechanismInvalid = -(0x70 + 80);
// CKR_TEMPLATE_INCOMPLETE (0xD0).
constexpr std::int32_t templateIncomplete = -(0xD0 + 80);

// Runs a shell command; its standard output.
std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    EXPECT_EQ(pclose(pipe), 0) << command << "\n" << output;
    return output;
}

// The serial number that softhsm2-util shows for the first initialised token.
std::string shownSerial(const std::string& slots) {
    const std::string field = "Serial number:";
    for (std::size_t at = slots.find(field); at != std::string::npos;
         at = slots.find(field, at + 1)) {
        std::size_t begin = slots.find_first_not_of(' ', at + field.size());
        const std::size_t end = slots.find_first_of(" \n", begin);
        if (begin != end)
            return slots.substr(begin, end - begin);
    }
    return {};
}

class SoftHsmTest : public SoftTokenFixture {
public:
    SoftHsmTest() {
        // SoftHSM's configuration and tokens live in the test's own folder.
        const fs::path hsm = gui.path() / "softhsm";
        fs::create_directories(hsm / "tokens");
        const fs::path conf = hsm / "softhsm2.conf";
        std::ofstream(conf) << "directories.tokendir = " << (hsm / "tokens").string()
                            << "\nobjectstore.backend = file\nlog.level = ERROR\n";
        const std::string env = "SOFTHSM2_CONF='" + conf.string() + "' ";
        run(env + KV_SOFTHSM_UTIL +
            " --init-token --free --label Kestrova --pin 1234 --so-pin 87654321");
        serial = shownSerial(run(env + KV_SOFTHSM_UTIL + " --show-slots"));
        configure("[adapter]\nmodule = " KV_SOFTHSM_MODULE "\nenv = SOFTHSM2_CONF=" +
                  conf.string() + "\n");
        load();
    }

    // A container made behind the plug-in's back: an EC key pair with the plug-in's label.
    void seedContainer(const std::string& name) {
        static const CK_BYTE p256[] = {0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};
        CK_BBOOL yes = CK_TRUE, no = CK_FALSE;
        std::string label = kvwLabel, id = name;
        CK_ATTRIBUTE publicKey[] = {{CKA_TOKEN, &yes, 1},
                                    {CKA_PRIVATE, &no, 1},
                                    {CKA_LABEL, &label[0], label.size()},
                                    {CKA_ID, &id[0], id.size()},
                                    {CKA_EC_PARAMS, const_cast<CK_BYTE*>(p256), sizeof p256}};
        CK_ATTRIBUTE privateKey[] = {{CKA_TOKEN, &yes, 1},
                                     {CKA_LABEL, &label[0], label.size()},
                                     {CKA_ID, &id[0], id.size()},
                                     {CKA_SIGN, &yes, 1},
                                     {CKA_DERIVE, &yes, 1}};
        CK_MECHANISM mechanism{CKM_EC_KEY_PAIR_GEN, nullptr, 0};
        CK_OBJECT_HANDLE handles[2];
        const CK_SESSION_HANDLE session = openRawSession();
        const CK_RV rv = module().functionList()->C_GenerateKeyPair(
            session, &mechanism, publicKey, 5, privateKey, 5, &handles[0], &handles[1]);
        closeRawSession(session);
        ASSERT_EQ(rv, CKR_OK);
    }

    // An attribute of the container's certificate as the module holds it.
    Bytes certificateAttribute(const std::string& name, CK_ATTRIBUTE_TYPE type) {
        KvwTemplate t(CKO_CERTIFICATE, name);
        CK_FUNCTION_LIST_PTR f = module().functionList();
        const CK_SESSION_HANDLE session = openRawSession();
        Bytes value;
        try {
            pkcs11Call("C_FindObjectsInit", f->C_FindObjectsInit, session, t.ckAttributes(),
                       t.count());
            CK_OBJECT_HANDLE object = CK_INVALID_HANDLE;
            CK_ULONG found = 0;
            pkcs11Call("C_FindObjects", f->C_FindObjects, session, &object, 1ul, &found);
            pkcs11Call("C_FindObjectsFinal", f->C_FindObjectsFinal, session);
            value = readVariableLength<CK_BYTE>([&](CK_BYTE* buffer, CK_ULONG* length) {
                CK_ATTRIBUTE a{type, buffer, *length};
                pkcs11Call("C_GetAttributeValue", f->C_GetAttributeValue, session, object, &a, 1ul);
                *length = a.ulValueLen;
            });
        } catch (const Exception& e) {
            ADD_FAILURE() << e.context() << " " << e.code();
        }
        closeRawSession(session);
        return value;
    }

    std::vector<std::string> containers() {
        std::vector<std::string> names;
        withToken([&](Token& t) { names = t.getContainers(); });
        std::sort(names.begin(), names.end());
        return names;
    }

    CK_ULONG count(CK_OBJECT_CLASS objectClass, const std::string& name) {
        KvwTemplate t(objectClass, name);
        return countObjects(t);
    }

    std::string serial;
};

TEST_F(SoftHsmTest, TheTokenIsPresentWithItsSerialAndAsksForThePinOnTheComputer) {
    ASSERT_EQ(serial.size(), 16u) << "softhsm2-util showed no serial number";
    EXPECT_TRUE(module().isTokenPresent());
    EXPECT_EQ(module().getDeviceId(), serial);
    std::unique_ptr<Token> token = module().getToken();
    EXPECT_NE(dynamic_cast<KestrovaEcp*>(token.get()), nullptr);
}

TEST_F(SoftHsmTest, TheRightPinLogsInAndAWrongOneIsRefused) {
    withToken([&](Token& t) {
        gui.setScript("read\nline 0\nline 0000\n");
        expectException([&] { t.login(0, "", ""); }, -4, "C_Login");
        gui.setScript(pinAnswer());
        t.login(0, "", "");
        t.logout();
    });
}

TEST_F(SoftHsmTest, ACertificateIsStoredWithTheNamesItHoldsAndReadBack) {
    for (const auto& [name, certificate] :
         {std::make_pair("repair key", &certificateV3()), std::make_pair("v1", &certificateV1())}) {
        withToken([&](Token& t) { t.importCertificate(name, certificate->der); });
        withToken([&](Token& t) { EXPECT_EQ(t.getCertificate(name), certificate->der); });
        EXPECT_EQ(certificateAttribute(name, CKA_SUBJECT), certificate->subject) << name;
        EXPECT_EQ(certificateAttribute(name, CKA_ISSUER), certificate->issuer) << name;
        EXPECT_EQ(certificateAttribute(name, CKA_SERIAL_NUMBER), certificate->serialNumber) << name;
    }
    withToken([](Token& t) {
        expectException([&] { t.importCertificate("repair key", certificateV1().der); }, -21,
                        "importCertificate");
    });
    // A certificate does not make a container.
    EXPECT_EQ(containers(), std::vector<std::string>{});
}

TEST_F(SoftHsmTest, AValueThatIsNotACertificateGetsTheModulesOwnAnswer) {
    // What a page keeps under "repair key": a public key, not a certificate.
    withToken([](Token& t) {
        expectException([&] { t.importCertificate("repair key", Bytes(64, 0x11)); },
                        templateIncomplete, "C_CreateObject");
    });
    EXPECT_EQ(count(CKO_CERTIFICATE, "repair key"), 0u);
}

TEST_F(SoftHsmTest, ContainersAreListedAndRemovedWithTheirCertificate) {
    seedContainer("alpha");
    seedContainer("beta");
    withToken([](Token& t) { t.importCertificate("alpha", certificateV3().der); });
    EXPECT_EQ(containers(), (std::vector<std::string>{"alpha", "beta"}));

    withLogin([](Token& t) { t.destroyContainer("alpha"); });
    EXPECT_EQ(containers(), std::vector<std::string>{"beta"});
    for (CK_OBJECT_CLASS objectClass : {CKO_CERTIFICATE, CKO_PUBLIC_KEY, CKO_PRIVATE_KEY})
        EXPECT_EQ(count(objectClass, "alpha"), 0u) << objectClass;
    withLogin([](Token& t) {
        expectException([&] { t.destroyContainer("alpha"); }, -20, "obtainPrivateKey");
    });
}

TEST_F(SoftHsmTest, TheGostOperationsFailWithTheTranslatedCodeAndLeaveNothing) {
    seedContainer("ec");
    const Bytes hash(32, 0x5A), peer(64, 0x11), ukm(8, 0x01);
    withLogin([&](Token& t) {
        expectException([&] { t.createContainer("gost"); }, mechanismInvalid, "C_GenerateKeyPair");
        expectException([&] { t.sign("ec", hash); }, mechanismInvalid, "C_SignInit");
        expectException([&] { t.hashSign("ec", hash); }, mechanismInvalid, "C_SignInit");
        expectException([&] { t.deriveKey("ec", peer, ukm); }, mechanismInvalid, "C_DeriveKey");
    });
    for (CK_OBJECT_CLASS objectClass : {CKO_PUBLIC_KEY, CKO_PRIVATE_KEY})
        EXPECT_EQ(count(objectClass, "gost"), 0u) << objectClass;
    EXPECT_EQ(containers(), std::vector<std::string>{"ec"});
}

} // namespace
