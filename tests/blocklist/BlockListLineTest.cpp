#include "blocklist/BlockListLine.h"

#include <gtest/gtest.h>

namespace {

using Fields = std::vector<std::string>;

Fields Split(const std::string& line) {
    Fields fields;
    EXPECT_TRUE(SplitBlockListFields(line, fields)) << line;
    return fields;
}

BlockRecord Parse(const std::string& line) {
    BlockRecord record;
    EXPECT_EQ(BlockLineKind::Record, ParseBlockListLine(line, record)) << line;
    return record;
}

}  // namespace

TEST(BlockListLine, QuotesAndEscapesShapeTheFields) {
    EXPECT_EQ((Fields{"1", "a,b", "c"}), Split("1,\"a,b\",c"));
    EXPECT_EQ((Fields{"1", "a,b", "c"}), Split("1,a\\,b,c"));
    EXPECT_EQ((Fields{"x,yz"}), Split("x\",y\"z"));  // quoted and bare stretches alternate
    EXPECT_EQ((Fields{"a\nb\"c\\d"}), Split("a\\nb\\\"c\\\\d"));
    EXPECT_EQ((Fields{"open, to the end"}), Split("\"open, to the end"));
    EXPECT_EQ((Fields{"a", "", "b", ""}), Split("a,,b,"));

    Fields fields{"stale"};
    std::string error;
    EXPECT_FALSE(SplitBlockListFields("1,C:\\path,id", fields, &error));
    EXPECT_EQ("unknown escape sequence", error);
    EXPECT_TRUE(fields.empty());
    EXPECT_FALSE(SplitBlockListFields("1,name,id\\", fields, &error));
    EXPECT_EQ("cannot end with escape", error);
    BlockRecord record;
    EXPECT_EQ(BlockLineKind::Invalid, ParseBlockListLine("1,a\\tb,id", record));
}

TEST(BlockListLine, TrimsSpacesOnlyAndAssignsFieldsByPosition) {
    BlockRecord r = Parse("  1 ,  Some Player , \" ID-1 \" ,\"  a note  \",fifth   ");
    EXPECT_TRUE(r.enabled);
    EXPECT_EQ("Some Player", r.name);
    EXPECT_EQ("ID-1", r.classId);  // spaces inside quotes at the ends go too
    EXPECT_EQ("a note", r.comment);
    EXPECT_EQ("\ta\t", TrimSpaces(" \ta\t "));

    BlockRecord blank;
    EXPECT_EQ(BlockLineKind::Blank, ParseBlockListLine("     ", blank));
    BlockRecord tab = Parse("\t");  // not blank: an item with nothing in it
    EXPECT_FALSE(tab.enabled);
    EXPECT_EQ("", tab.name);

    BlockRecord three = Parse("0,Name,ID");
    EXPECT_FALSE(three.enabled);
    EXPECT_EQ("ID", three.classId);
    EXPECT_EQ("", three.comment);
    BlockRecord two = Parse("01,Name");
    EXPECT_TRUE(two.enabled);
    EXPECT_EQ("", two.classId);

    EXPECT_EQ("Player", BlockItemLabel("Player", "    "));
    EXPECT_EQ("Player (b)", BlockItemLabel("Player", "  b "));
}

TEST(BlockListLine, EnabledOnlyWhenTheLeadingIntegerIsOne) {
    for (const char* field : {"1", "01", "+1", "1x", "\t1", "1.9"}) EXPECT_TRUE(LeadingIntegerIsOne(field)) << field;
    // The last one would wrap round to 1 in 32 bits.
    for (const char* field : {"", "yes", "0", "2", "-1", "10", "x1", "+ 1", "4294967297"})
        EXPECT_FALSE(LeadingIntegerIsOne(field)) << field;
}

TEST(BlockListLine, ClassIdsThatCannotNameARegistryKeyMakeTheLineInvalid) {
    BlockRecord record;
    // A backslash would make nested keys, a NUL would cut the name short.
    EXPECT_EQ(BlockLineKind::Invalid, ParseBlockListLine("1,Nested,AAAA\\\\BBBB,", record));
    EXPECT_TRUE(record.classId.empty());
    EXPECT_EQ(BlockLineKind::Invalid, ParseBlockListLine(std::string("1,Cut,AAAA\0BBBB,", 16), record));
    EXPECT_EQ(BlockLineKind::Invalid, ParseBlockListLine("1,Long," + std::string(251, 'A') + ",", record));
    EXPECT_EQ(BlockLineKind::Record, ParseBlockListLine("1,Longest," + std::string(250, 'A') + ",", record));
    EXPECT_EQ(250u, record.classId.size());
}
