// Containers on a keypad token: creation, listing, signing, removal, key agreement and
// certificates, checked against what the module holds.
#include "ExpectException.h"
#include "KestrovaEcp.h"
#include "Signature.h"
#include "SoftTokenFixture.h"

#include <algorithm>

namespace {

const Bytes certificate{0x30, 0x82, 0x01, 0x0A, 0x00, 0xFF, 0x7F};

class ContainerTest : public SoftTokenFixture {
public:
    ContainerTest() { load(); }

    Bytes create(const std::string& name) {
        Bytes publicKey;
        withLogin([&](Token& t) { publicKey = t.createContainer(name); });
        return publicKey;
    }

    void importCertificate(const std::string& name) {
        withToken([&](Token& t) { t.importCertificate(name, certificate); });
    }

    std::vector<std::string> containers() {
        std::vector<std::string> names;
        withToken([&](Token& t) { names = t.getContainers(); });
        return names;
    }

    CK_ULONG count(CK_OBJECT_CLASS objectClass, const std::string& name) {
        KvwTemplate t(objectClass, name);
        return countObjects(t);
    }

    void seedPublicKey(const std::string& name) {
        KvwTemplate t(CKO_PUBLIC_KEY, name);
        addPublicKeyValue(t);
        createObject(t);
    }

    void seedPrivateKey(const std::string& name) {
        KvwTemplate t(CKO_PRIVATE_KEY, name);
        addKeyType(t, CKK_GOSTR3410);
        addGostR3410Params(t);
        addValue(t, Bytes(32, 0x07));
        createObject(t);
    }

    void remove(CK_OBJECT_CLASS objectClass, const std::string& name) {
        KvwTemplate t(objectClass, name);
        destroyObjects(t);
    }
};

TEST_F(ContainerTest, NewContainerIsListedAndSignsVerifiably) {
    const Bytes publicKey = create("box");
    ASSERT_EQ(publicKey.size(), 64u);
    const Bytes data{'p', 'a', 'y', ' ', '1', '0', '0'};
    withLogin([&](Token& t) {
        EXPECT_EQ(t.getPublicKey("box"), publicKey);
        // A keypad reader hashes on the token for both kinds of signing.
        EXPECT_TRUE(tokenSignatureVerifies(publicKey, hashOf(data), t.sign("box", data)));
        EXPECT_TRUE(tokenSignatureVerifies(publicKey, hashOf(data), t.hashSign("box", data)));
        EXPECT_TRUE(tokenSignatureVerifies(publicKey, hashOf({}), t.sign("box", {})));
        EXPECT_FALSE(tokenSignatureVerifies(publicKey, hashOf({'x'}), t.sign("box", data)));
    });
    EXPECT_EQ(containers(), std::vector<std::string>{"box"});
    expectIdle();
}

TEST_F(ContainerTest, AnyObjectOfTheNameBlocksCreation) {
    const struct {
        const char* what;
        std::function<void(ContainerTest&)> seed;
    } cases[] = {
        {"certificate", [](ContainerTest& f) { f.importCertificate("taken"); }},
        {"public key", [](ContainerTest& f) { f.seedPublicKey("taken"); }},
        {"private key", [](ContainerTest& f) { f.seedPrivateKey("taken"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.seed(*this);
        const CK_ULONG publicKeys = count(CKO_PUBLIC_KEY, "taken");
        const CK_ULONG privateKeys = count(CKO_PRIVATE_KEY, "taken");
        expectException([&] { create("taken"); }, -21, "createContainer");
        EXPECT_EQ(count(CKO_PUBLIC_KEY, "taken"), publicKeys);
        EXPECT_EQ(count(CKO_PRIVATE_KEY, "taken"), privateKeys);
        expectIdle();
        for (CK_OBJECT_CLASS c : {CKO_CERTIFICATE, CKO_PUBLIC_KEY, CKO_PRIVATE_KEY})
            remove(c, "taken");
    }
}

TEST_F(ContainerTest, DuplicateObjectsCountAsNone) {
    importCertificate("twice");
    KvwTemplate copy(CKO_CERTIFICATE, "twice");
    addAttribute<CKA_PRIVATE>(copy, CK_FALSE);
    addValue(copy, certificate);
    createObject(copy);

    importCertificate("twice");
    EXPECT_EQ(count(CKO_CERTIFICATE, "twice"), 3u);
    withToken([](Token& t) {
        expectException([&] { t.getCertificate("twice"); }, -20, "obtainCertificate");
    });
    create("twice");

    seedPrivateKey("twice");
    withLogin([](Token& t) {
        expectException([&] { t.sign("twice", Bytes(32, 1)); }, -20, "obtainPrivateKey");
        expectException([&] { t.destroyContainer("twice"); }, -20, "obtainPrivateKey");
        expectException([&] { t.deriveKey("twice", Bytes(64, 1), Bytes(8, 1)); }, -20,
                        "obtainPrivateKey");
    });
    EXPECT_EQ(count(CKO_PUBLIC_KEY, "twice"), 1u);
    expectIdle();
}

TEST_F(ContainerTest, RemovalTakesTheKeysAndAnyCertificate) {
    for (bool withCertificate : {false, true}) {
        SCOPED_TRACE(withCertificate ? "with certificate" : "without certificate");
        create("gone");
        if (withCertificate)
            importCertificate("gone");
        withLogin([](Token& t) { t.destroyContainer("gone"); });
        for (CK_OBJECT_CLASS c : {CKO_CERTIFICATE, CKO_PUBLIC_KEY, CKO_PRIVATE_KEY})
            EXPECT_EQ(count(c, "gone"), 0u);
        EXPECT_TRUE(containers().empty());
        expectIdle();
    }
}

TEST_F(ContainerTest, RemovalOfAnIncompleteContainerDestroysNothing) {
    const struct {
        CK_OBJECT_CLASS missing;
        CK_OBJECT_CLASS kept;
        const char* context;
    } cases[] = {
        {CKO_PUBLIC_KEY, CKO_PRIVATE_KEY, "obtainPublicKey"},
        {CKO_PRIVATE_KEY, CKO_PUBLIC_KEY, "obtainPrivateKey"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        create("half");
        importCertificate("half");
        remove(c.missing, "half");
        withLogin([&](Token& t) {
            expectException([&] { t.destroyContainer("half"); }, -20, c.context);
        });
        EXPECT_EQ(count(c.kept, "half"), 1u);
        EXPECT_EQ(count(CKO_CERTIFICATE, "half"), 1u);
        expectIdle();
        for (CK_OBJECT_CLASS o : {CKO_CERTIFICATE, CKO_PUBLIC_KEY, CKO_PRIVATE_KEY})
            remove(o, "half");
    }
}

TEST_F(ContainerTest, RemovalInterruptedHalfWayKeepsWhatIsLeft) {
    create("box");
    importCertificate("box");
    injectFault(fault("C_DestroyObject", 2, CKR_DEVICE_ERROR));
    withLogin([](Token& t) {
        expectException([&] { t.destroyContainer("box"); }, -128, "C_DestroyObject");
    });
    injectFault("");
    EXPECT_EQ(count(CKO_PRIVATE_KEY, "box"), 0u);
    EXPECT_EQ(count(CKO_PUBLIC_KEY, "box"), 1u);
    EXPECT_EQ(count(CKO_CERTIFICATE, "box"), 1u);
    EXPECT_EQ(containers(), std::vector<std::string>{"box"});
    withLogin([](Token& t) {
        expectException([&] { t.sign("box", Bytes(32, 1)); }, -20, "obtainPrivateKey");
    });
    expectIdle();
}

TEST_F(ContainerTest, BothSidesDeriveTheSameKeyAndKeepNoObject) {
    const Bytes alice = create("alice");
    const Bytes bob = create("bob");
    const Bytes ukm{1, 2, 3, 4, 5, 6, 7, 8};
    Bytes fromAlice, fromBob;
    withLogin([&](Token& t) {
        fromAlice = t.deriveKey("alice", bob, ukm);
        fromBob = t.deriveKey("bob", alice, ukm);
        EXPECT_EQ(status().sessionObjects, 0u);
    });
    EXPECT_EQ(fromAlice.size(), 32u);
    EXPECT_EQ(fromAlice, fromBob);
    Bytes otherUkm;
    withLogin([&](Token& t) { otherUkm = t.deriveKey("alice", bob, Bytes(8, 9)); });
    EXPECT_NE(otherUkm, fromAlice);
    expectIdle();
}

TEST_F(ContainerTest, FailedDerivationLeavesNoKeyObject) {
    const Bytes peer = create("peer");
    create("box");
    const struct {
        const char* what;
        std::string fault;
        Bytes ukm;
        const char* context;
    } cases[] = {
        {"value unreadable", fault("C_GetAttributeValue", 1, CKR_DEVICE_ERROR), Bytes(8, 1),
         "C_GetAttributeValue"},
        {"key not removed", fault("C_DestroyObject", 1, CKR_DEVICE_ERROR), Bytes(8, 1),
         "C_DestoryObject"},
        {"no UKM", "", Bytes(), "C_DeriveKey"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        withLogin([&](Token& t) {
            injectFault(c.fault);
            try {
                t.deriveKey("box", peer, c.ukm);
                ADD_FAILURE() << "derivation succeeded";
            } catch (const Pkcs11Exception& e) {
                EXPECT_EQ(std::string(e.context()), c.context);
            }
            injectFault("");
        });
        EXPECT_EQ(status().sessionObjects, 0u);
        expectIdle();
    }
}

TEST_F(ContainerTest, ListsEveryPublicKeyOfThePluginAndNothingElse) {
    EXPECT_TRUE(containers().empty());

    std::vector<std::string> expected;
    for (int i = 0; i < 65; ++i) {
        expected.push_back("c" + std::to_string(i));
        seedPublicKey(expected.back());
    }
    seedPublicKey("");
    expected.push_back("");
    const std::string binary("\xD0\xBA\x00#%#", 6);
    seedPublicKey(binary);
    expected.push_back(binary);

    // Not the plug-in's, or not a public key of one.
    Template unlabelled;
    addAttribute<CKA_CLASS>(unlabelled, CKO_PUBLIC_KEY);
    addAttribute<CKA_TOKEN>(unlabelled, CK_TRUE);
    addId(unlabelled, "foreign");
    addPublicKeyValue(unlabelled);
    createObject(unlabelled);
    KvwTemplate hidden(CKO_PUBLIC_KEY, "hidden");
    addAttribute<CKA_PRIVATE>(hidden, CK_TRUE);
    addPublicKeyValue(hidden);
    createObject(hidden);
    importCertificate("certificate only");
    seedPrivateKey("private key only");

    std::vector<std::string> listed = containers();
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    expectIdle();
}

TEST_F(ContainerTest, CertificateIsKeptAsGivenWithoutAKeyPair) {
    importCertificate("solo");
    withToken([](Token& t) {
        EXPECT_EQ(t.getCertificate("solo"), certificate);
        expectException([&] { t.importCertificate("solo", certificate); }, -21,
                        "importCertificate");
        expectException([&] { t.getPublicKey("solo"); }, -20, "obtainPublicKey");
        expectException([&] { t.getCertificate("other"); }, -20, "obtainCertificate");
    });
    EXPECT_TRUE(containers().empty());
    expectIdle();
}

// A token without a keypad signs the hash it is given.
class PinTokenContainerTest : public ContainerTest {
public:
    PinTokenContainerTest() {
        unload();
        configure(pinSlot("PIN0000000000001"));
        load();
    }
};

TEST_F(PinTokenContainerTest, SignsTheGivenHashAndHashesForHashSign) {
    const Bytes publicKey = create("box");
    Bytes hash(32);
    for (std::size_t i = 0; i < hash.size(); ++i)
        hash[i] = static_cast<unsigned char>(0xA0 + i);
    const Bytes data{'d', 'a', 't', 'a'};
    withLogin([&](Token& t) {
        EXPECT_TRUE(tokenSignatureVerifies(publicKey, hash, t.sign("box", hash)));
        EXPECT_TRUE(tokenSignatureVerifies(publicKey, hashOf(data), t.hashSign("box", data)));
        // The length is the module's affair; what it answers becomes the failure.
        try {
            t.sign("box", {});
            ADD_FAILURE() << "empty data signed";
        } catch (const Pkcs11Exception& e) {
            EXPECT_EQ(std::string(e.context()), "C_Sign");
        }
    });
    expectIdle();
}

} // namespace
