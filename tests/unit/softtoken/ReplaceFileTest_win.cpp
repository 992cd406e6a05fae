// Replacing a file that another program holds open without sharing its deletion, as an older
// reader or a virus scanner may.

#include "Files.h"
#include "JoiningThread.h"

#include <gtest/gtest.h>
#include <system_error>
#include <windows.h>

namespace {

class ReplaceFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("kvsofttoken-replace-" + std::to_string(GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        path = dir / "kvsofttoken.conf";
        softtoken::replaceFile(path, "old");
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    HANDLE holdWithoutDeleteSharing() const {
        return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    std::filesystem::path dir;
    std::filesystem::path path;
};

TEST_F(ReplaceFileTest, WaitsForAHolderThatLetsGoSoon) {
    const HANDLE holder = holdWithoutDeleteSharing();
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    JoiningThread letGo([&] {
        Sleep(300);
        CloseHandle(holder);
    });
    EXPECT_NO_THROW(softtoken::replaceFile(path, "new"));
    letGo.join();
    EXPECT_EQ(softtoken::readFile(path), "new");
}

TEST_F(ReplaceFileTest, GivesUpOnAHolderThatNeverLetsGoAndKeepsTheOldContent) {
    const HANDLE holder = holdWithoutDeleteSharing();
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    try {
        softtoken::replaceFile(path, "new");
        ADD_FAILURE() << "the file was replaced under its holder";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find("cannot replace"), std::string::npos) << e.what();
    }
    CloseHandle(holder);
    EXPECT_EQ(softtoken::readFile(path), "old");
    EXPECT_FALSE(std::filesystem::exists(dir / "kvsofttoken.conf.tmp"));
}

} // namespace
