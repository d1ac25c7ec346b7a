#include "blocklist/BlockListFile.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

// A private folder under the temporary directory, removed with everything in it.
class BlockListFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(0u, ::GetTempPathA(MAX_PATH, temp));
        folder_ = std::string(temp) + "hushbar-blocklist-" + std::to_string(::GetCurrentProcessId()) + "\\";
        ::CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::string& file : written_) ::DeleteFileA(file.c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }

    std::string Write(const std::string& content) {
        std::string path = folder_ + "list" + std::to_string(written_.size()) + ".txt";
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        ::CloseHandle(file);
        written_.push_back(path);
        return path;
    }

    BlockList Load(const std::string& content) {
        BlockList list;
        LoadBlockList(Write(content), list);
        return list;
    }

    std::string folder_;
    std::vector<std::string> written_;
};

}  // namespace

TEST_F(BlockListFileTest, HeaderAndBlankLinesGiveNoItems) {
    EXPECT_TRUE(Load("").empty());
    EXPECT_TRUE(Load("header").empty());
    EXPECT_TRUE(Load("header\r\n").empty());
    EXPECT_TRUE(Load("header\n\n   \r\n  \n").empty());
    // The first line is always the header, even when it looks like a record.
    BlockList list = Load("1,Lost,ID-0,\n1,Kept,ID-1\n");
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ("Kept", list[0].name);

    BlockList missing{BlockItem{}};
    LoadBlockList(folder_ + "no such file.txt", missing);
    EXPECT_TRUE(missing.empty());
}

TEST_F(BlockListFileTest, ReadsBothLineEndingsAndALastLineWithoutOne) {
    BlockList list = Load("h\r\n1,A,ID-A,x\r\n0,B,ID-B\n1,C,ID-C,last");
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ("x", list[0].comment);          // no CR left on the last field
    EXPECT_EQ("ID-B", list[1].classId);
    EXPECT_FALSE(list[1].enabled);
    EXPECT_EQ("last", list[2].comment);
    EXPECT_TRUE(list[2].enabled);
    for (const BlockItem& item : list) EXPECT_EQ(nullptr, item.treeItem);
}

TEST_F(BlockListFileTest, KeepsDuplicatesInFileOrderAndDoesNotDoubleOnReload) {
    const std::string path = Write("h\n1,First,SAME\n0,Second,SAME\n");
    BlockList list;
    LoadBlockList(path, list);
    LoadBlockList(path, list);
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("First", list[0].name);
    EXPECT_EQ("Second", list[1].name);
    EXPECT_EQ(list[0].classId, list[1].classId);
}

TEST_F(BlockListFileTest, SkipsALineWithABadEscapeAndLoadsTheRest) {
    BlockList list = Load("h\n1,Before,ID-1\n1,C:\\Players\\x,ID-2\n1,Trailing,ID-3\\\n0,After,ID-4\n");
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("Before", list[0].name);
    EXPECT_EQ("After", list[1].name);
}

TEST_F(BlockListFileTest, AControlZByteDoesNotEndTheFile) {
    BlockList list = Load(std::string("h\n1,A\x1a,ID-A\n1,B,ID-B\n"));
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(std::string("A\x1a"), list[0].name);
}

TEST(ShippedBlockList, StartsWithTheEnabledFlashControl) {
    BlockList list;
    LoadBlockList(std::string(HUSHBAR_TEST_SOURCE) + "/res/" + kBlockListFileName, list);
    ASSERT_GE(list.size(), 5u);
    EXPECT_TRUE(list[0].enabled);
    EXPECT_EQ("D27CDB6E-AE6D-11cf-96B8-444553540000", list[0].classId);
    for (const BlockItem& item : list) {
        EXPECT_FALSE(item.name.empty());
        // Bare identifiers: 8-4-4-4-12 hex digits, no braces.
        ASSERT_EQ(36u, item.classId.size()) << item.name;
        for (std::size_t i = 0; i < item.classId.size(); ++i) {
            const char c = item.classId[i];
            if (i == 8 || i == 13 || i == 18 || i == 23)
                EXPECT_EQ('-', c) << item.name;
            else
                EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c))) << item.name;
        }
    }
}
