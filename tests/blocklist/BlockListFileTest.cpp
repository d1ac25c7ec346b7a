#include "blocklist/BlockListFile.h"

#include <gtest/gtest.h>
#include <objbase.h>

namespace {

std::string TempPath(const char* name) {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "hushbar-" + std::to_string(::GetCurrentProcessId()) + "-" + name;
}

void WriteFile(const std::string& path, const std::string& content) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
}

BlockList Load(const std::string& content) {
    const std::string path = TempPath("list.txt");
    WriteFile(path, content);
    BlockList list;
    LoadBlockList(path, list);
    ::DeleteFileA(path.c_str());
    return list;
}

}  // namespace

TEST(BlockListFile, HeaderAndBlankLinesGiveNoItems) {
    EXPECT_TRUE(Load("").empty());
    EXPECT_TRUE(Load("header").empty());
    EXPECT_TRUE(Load("header\n\n   \r\n  \n").empty());
    BlockList list = Load("1,Lost,ID-0\n1,Kept,ID-1\n");  // the first line is always the header
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ("Kept", list[0].name());

    BlockList missing{BlockItem{}};
    LoadBlockList(TempPath("no such file"), missing);
    EXPECT_TRUE(missing.empty());
}

TEST(BlockListFile, ReadsBothLineEndingsAStrayControlZAndALastLineWithoutEnding) {
    BlockList list = Load("h\r\n1,A,ID-A,x\r\n0,B\x1a,ID-B\n1,C,ID-C,last");
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ("x", list[0].comment());  // no CR left on the last field
    EXPECT_EQ("B\x1a", list[1].name());
    EXPECT_FALSE(list[1].enabled);
    EXPECT_EQ("last", list[2].comment());
}

TEST(BlockListFile, KeepsDuplicatesSkipsBadEscapesAndDoesNotDoubleOnReload) {
    const std::string path = TempPath("dup.txt");
    WriteFile(path, "h\n1,First,SAME\n1,C:\\Players\\x,ID-2\n1,Trailing,ID-3\\\n0,Second,SAME\n");
    BlockList list;
    LoadBlockList(path, list);
    LoadBlockList(path, list);
    ::DeleteFileA(path.c_str());
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("First", list[0].name());
    EXPECT_EQ("Second", list[1].name());
}

TEST(BlockListFile, ShippedListStartsWithTheEnabledFlashControlAndHoldsBareClassIds) {
    BlockList list;
    LoadBlockList(std::string(HUSHBAR_TEST_SOURCE) + "/res/" + kBlockListFileName, list);
    ASSERT_GE(list.size(), 5u);
    EXPECT_TRUE(list[0].enabled);
    EXPECT_EQ("D27CDB6E-AE6D-11cf-96B8-444553540000", list[0].classId());
    for (const BlockItem& item : list) {
        CLSID clsid;
        const std::string braced = "{" + std::string(item.classId()) + "}";
        std::wstring wide(braced.begin(), braced.end());
        EXPECT_EQ(NOERROR, ::CLSIDFromString(wide.c_str(), &clsid)) << item.name();
    }
}

TEST(BlockListFile, AnEntryKeepsEachTextWholeWhateverItsLengthAndCopiesOnItsOwn) {
    // Lengths either side of where the packed form needs a second and a third length byte.
    for (const std::size_t length : {0u, 1u, 127u, 128u, 16383u, 16384u, 70000u}) {
        const std::string name(length, 'n'), comment(length / 2, 'c');
        BlockItem kept(true, name, "ID-" + std::to_string(length), comment);
        const BlockItem copy = kept;
        kept = BlockItem(false, "other", "ID", "");
        EXPECT_EQ(name, copy.name()) << length;
        EXPECT_EQ("ID-" + std::to_string(length), copy.ClassIdText()) << length;
        EXPECT_EQ(comment, copy.comment()) << length;
        EXPECT_TRUE(copy.enabled);
        EXPECT_FALSE(copy.SameRecord(kept));
    }
    const std::string withNul("a\0b", 3);  // a raw NUL in a name is kept, not cut at
    EXPECT_EQ(withNul, BlockItem(false, withNul, "ID", "").name());
    EXPECT_STREQ("", BlockItem().ClassIdText());
}
