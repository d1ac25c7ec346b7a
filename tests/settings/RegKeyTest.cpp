#include "settings/RegKey.h"
#include "settings/StartupEntry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A key of our own per process, so parallel test programs never share one.
class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = "Software\\HushbarTests\\RegKey-" + std::to_string(::GetCurrentProcessId());
        ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    }
    void TearDown() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\HushbarTests");  // only goes when empty
    }

    std::string path_;
};

TEST_F(RegKeyTest, OpenNeverCreatesAndCreateDoes) {
    RegKey key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, path_.c_str(), RegKey::kReadAccess));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, (path_ + "\\Deeper\\Still").c_str()));
    EXPECT_TRUE(key.IsOpen());
    key.Close();
    key.Close();  // harmless when nothing is open
    EXPECT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, path_.c_str(), RegKey::kReadAccess));
}

TEST_F(RegKeyTest, TheKeyMovesWithItsOwnerAndAFailedOpenKeepsTheOneHeld) {
    RegKey first;
    ASSERT_EQ(ERROR_SUCCESS, first.Create(HKEY_CURRENT_USER, path_.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, first.WriteDword("n", 7));
    const HKEY handle = first.Handle();

    RegKey second(std::move(first));
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(handle, second.Handle());
    const std::string missing = path_ + "\\Missing";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, second.Open(HKEY_CURRENT_USER, missing.c_str(), RegKey::kReadAccess));
    DWORD value = 0;
    EXPECT_EQ(ERROR_SUCCESS, second.QueryDword("n", value));
    EXPECT_EQ(7u, value);

    RegKey third;
    ASSERT_EQ(ERROR_SUCCESS, third.Create(HKEY_CURRENT_USER, (path_ + "\\Other").c_str()));
    third = std::move(second);  // the key third held is closed, the moved one kept
    EXPECT_EQ(handle, third.Handle());
    EXPECT_EQ(ERROR_SUCCESS, third.QueryDword("n", value));
    third.Close();
    EXPECT_NE(ERROR_SUCCESS, ::RegQueryValueExA(handle, "n", nullptr, nullptr, nullptr, nullptr)) << "closed";
}

TEST_F(RegKeyTest, TypeMismatchesFailWithInvalidDataAndLeaveTheOutValue) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path_.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteDword("Number", 42));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteString("Text", "yes"));

    DWORD number = 7;
    EXPECT_EQ(ERROR_INVALID_DATA, key.QueryDword("Text", number));
    EXPECT_EQ(7u, number);
    EXPECT_EQ(ERROR_SUCCESS, key.QueryDword("Number", number));
    EXPECT_EQ(42u, number);

    char buffer[255] = "unchanged";
    DWORD size = sizeof buffer;
    EXPECT_EQ(ERROR_INVALID_DATA, key.QueryString("Number", buffer, size));
    EXPECT_STREQ("unchanged", buffer);
    size = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryString("Text", buffer, size));
    EXPECT_STREQ("yes", buffer);
    EXPECT_EQ(4u, size);  // the terminator counts

    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.QueryDword("Missing", number));
}

TEST_F(RegKeyTest, StringsUpTo254CharactersFitTheSettingsBuffer) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, path_.c_str()));
    const std::string fits(254, 'x');
    const std::string tooLong(255, 'x');
    ASSERT_EQ(ERROR_SUCCESS, key.WriteString("Fits", fits.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteString("TooLong", tooLong.c_str()));

    std::string value = "default";
    EXPECT_EQ(ERROR_SUCCESS, key.QueryString("Fits", value));
    EXPECT_EQ(fits, value);
    value = "default";
    EXPECT_EQ(ERROR_MORE_DATA, key.QueryString("TooLong", value));
    EXPECT_EQ("default", value);
}

TEST_F(RegKeyTest, DeleteSubkeyOfAMissingKeyFailsQuietly) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, (path_ + "\\Child").c_str()));
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, path_.c_str(), RegKey::kWriteAccess));
    EXPECT_EQ(ERROR_SUCCESS, key.DeleteSubkey("Child"));
    EXPECT_NE(ERROR_SUCCESS, key.DeleteSubkey("Child"));
}

TEST(StartupEntry, WritesTheQuotedPathAndRemovesIt) {
    const std::string name = "HushbarTest-" + std::to_string(::GetCurrentProcessId());
    const char* runKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    EXPECT_FALSE(RemoveStartupEntry(name.c_str()));  // nothing there yet

    ASSERT_TRUE(SetStartupEntry(name.c_str()));
    RegKey run;
    ASSERT_EQ(ERROR_SUCCESS, run.Open(HKEY_CURRENT_USER, runKey, RegKey::kReadAccess));
    char stored[MAX_PATH + 3];
    DWORD size = sizeof stored;
    ASSERT_EQ(ERROR_SUCCESS, run.QueryString(name.c_str(), stored, size));
    char module[MAX_PATH];
    ::GetModuleFileNameA(nullptr, module, sizeof module);
    EXPECT_EQ(std::string("\"") + module + "\"", stored);

    EXPECT_TRUE(RemoveStartupEntry(name.c_str()));
    size = sizeof stored;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, run.QueryString(name.c_str(), stored, size));
    EXPECT_FALSE(RemoveStartupEntry(name.c_str()));
}

}  // namespace
