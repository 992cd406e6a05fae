#include "ApiFixture.h"
#include "PageValues.h"

#include <gmock/gmock.h>

namespace {

using ::testing::Contains;

class ContainerTest : public ApiFixture {
protected:
    void SetUp() override { createPlugin(); }
    std::string generate(const std::string& name) { return text("kvwGenKeyPair", {name}); }
};

TEST_F(ContainerTest, GeneratedKeyIsReadBackInPageOrder) {
    const std::string generated = generate("alpha");
    ASSERT_EQ(generated.size(), 128u);
    EXPECT_EQ(generated, text("kvwGetPublicKey", {"alpha"}));
    // Mode 2 with the display name.
    EXPECT_THAT(recorded("stdin"), Contains("stdin 2"));
    EXPECT_THAT(recorded("stdin"), Contains("stdin alpha"));
    expectIdle();
}

TEST_F(ContainerTest, ListingIsCachedUntilTheNextListing) {
    // Nothing listed yet, even with containers on the token.
    generate("one");
    EXPECT_EQ(call("kvwGetContainerName", {0}).convert_to<int>(), -20);
    generate("two");
    generate("a#%#b#%#c");
    ASSERT_EQ(call("kvwGetNumberOfContainers").convert_to<int>(), 3);
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i)
        names.push_back(text("kvwGetContainerName", {i}));
    EXPECT_THAT(names, ::testing::UnorderedElementsAre("one", "two", "a#%#b#%#c"));
    EXPECT_EQ(call("kvwGetContainerName", {3}).convert_to<int>(), -20);
    EXPECT_EQ(call("kvwGetContainerName", {-1}).convert_to<int>(), -10);

    // The cache changes only with the next listing.
    EXPECT_TRUE(call("kvwDestroyContainer", {"one"}).convert_to<bool>());
    EXPECT_EQ(text("kvwGetContainerName", {2}), names[2]);
    ASSERT_EQ(call("kvwGetNumberOfContainers").convert_to<int>(), 2);
    EXPECT_EQ(call("kvwGetContainerName", {2}).convert_to<int>(), -20);
    expectIdle();
}

TEST_F(ContainerTest, SeparatorIsShownOnlyToThePinEntryProgram) {
    generate("a#%#b#%#c");
    EXPECT_THAT(recorded("stdin"), Contains("stdin a - b#%#c"));
    EXPECT_EQ(text("kvwGetPublicKey", {"a#%#b#%#c"}).size(), 128u);
}

TEST_F(ContainerTest, ExistingContainerIsKeptAndAMissingOneIsNotRemoved) {
    const std::string key = generate("alpha");
    EXPECT_EQ(call("kvwGenKeyPair", {"alpha"}).convert_to<int>(), -21);
    EXPECT_EQ(text("kvwGetPublicKey", {"alpha"}), key);
    EXPECT_TRUE(call("kvwDestroyContainer", {"alpha"}).convert_to<bool>());
    EXPECT_THAT(recorded("stdin"), Contains("stdin 3"));
    EXPECT_EQ(call("kvwDestroyContainer", {"alpha"}).convert_to<int>(), -20);
    EXPECT_EQ(call("kvwGetPublicKey", {"alpha"}).convert_to<int>(), -20);
    expectIdle();
}

TEST_F(ContainerTest, CertificateImportNeedsNoPinAndHappensOnce) {
    gui.removeProgram();
    EXPECT_TRUE(call("kvwImportCertificate", {"cert", "3082AABB"}).convert_to<bool>());
    EXPECT_EQ(call("kvwImportCertificate", {"cert", "3082AABB"}).convert_to<int>(), -21);
    expectIdle();
}

TEST_F(ContainerTest, RepairKeyIsReadFromItsCertificateByHalves) {
    Bytes value(64);
    for (int i = 0; i < 64; ++i)
        value[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    ASSERT_TRUE(call("kvwImportCertificate", {"repair key", bytesToHex(value)}).convert_to<bool>());
    // b31 to b0, then b63 to b32.
    Bytes expected;
    for (int i = 31; i >= 0; --i)
        expected.push_back(static_cast<unsigned char>(i));
    for (int i = 63; i >= 32; --i)
        expected.push_back(static_cast<unsigned char>(i));
    EXPECT_EQ(text("kvwGetPublicKey", {"repair key"}), bytesToHex(expected));
    // Any other name reads a public key object, which this container lacks.
    EXPECT_EQ(call("kvwGetPublicKey", {"cert"}).convert_to<int>(), -20);
}

} // namespace
