#include "blocklist/BlockListLine.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
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
    using Fields = std::vector<std::string>;
    EXPECT_EQ((Fields{"1", "a,b", "c"}), Split("1,\"a,b\",c"));
    EXPECT_EQ((Fields{"1", "a,b", "c"}), Split("1,a\\,b,c"));
    EXPECT_EQ((Fields{"ab"}), Split("a\"\"b"));                  // a quote mid-field vanishes
    EXPECT_EQ((Fields{"x,yz"}), Split("x\",y\"z"));               // quoted and bare stretches alternate
    EXPECT_EQ((Fields{"a\nb"}), Split("a\\nb"));
    EXPECT_EQ((Fields{"say \"hi\""}), Split("say \\\"hi\\\""));
    EXPECT_EQ((Fields{"a\\b"}), Split("a\\\\b"));
    EXPECT_EQ((Fields{"open, to the end"}), Split("\"open, to the end"));  // an open quote is no error
    EXPECT_EQ((Fields{"a", "", "b", ""}), Split("a,,b,"));
    EXPECT_EQ((Fields{"", ""}), Split(","));
}

TEST(BlockListLine, BadEscapesMakeTheLineInvalid) {
    std::vector<std::string> fields{"stale"};
    std::string error;
    EXPECT_FALSE(SplitBlockListFields("1,C:\\path,id", fields, &error));
    EXPECT_EQ("unknown escape sequence", error);
    EXPECT_TRUE(fields.empty());
    EXPECT_FALSE(SplitBlockListFields("1,name,id\\", fields, &error));
    EXPECT_EQ("cannot end with escape", error);

    BlockRecord record;
    record.name = "left over";
    EXPECT_EQ(BlockLineKind::Invalid, ParseBlockListLine("1,a\\tb,id", record));
    EXPECT_TRUE(record.name.empty());
}

TEST(BlockListLine, TrimsSpacesOnlyAtLineAndFieldEnds) {
    EXPECT_EQ("a b", TrimSpaces("  a b  "));
    EXPECT_EQ("\ta\t", TrimSpaces(" \ta\t "));
    EXPECT_EQ("", TrimSpaces("    "));

    BlockRecord r = Parse("  1 ,  Some Player , \" ID-1 \" ,\"  a note  \"   ");
    EXPECT_TRUE(r.enabled);
    EXPECT_EQ("Some Player", r.name);
    EXPECT_EQ("ID-1", r.classId);   // spaces inside quotes at the ends go too
    EXPECT_EQ("a note", r.comment);

    BlockRecord blank;
    EXPECT_EQ(BlockLineKind::Blank, ParseBlockListLine("", blank));
    EXPECT_EQ(BlockLineKind::Blank, ParseBlockListLine("     ", blank));
    // A tab is not blank: an item with nothing in it.
    BlockRecord tab = Parse("\t");
    EXPECT_FALSE(tab.enabled);
    EXPECT_EQ("", tab.name);
    EXPECT_EQ("", tab.classId);
}

TEST(BlockListLine, FieldsAreAssignedByPosition) {
    BlockRecord full = Parse("1,Name,ID,Note");
    EXPECT_TRUE(full.enabled);
    EXPECT_EQ("Name", full.name);
    EXPECT_EQ("ID", full.classId);
    EXPECT_EQ("Note", full.comment);

    BlockRecord three = Parse("0,Name,ID");
    EXPECT_FALSE(three.enabled);
    EXPECT_EQ("ID", three.classId);
    EXPECT_EQ("", three.comment);

    BlockRecord two = Parse("01,Name");
    EXPECT_TRUE(two.enabled);
    EXPECT_EQ("Name", two.name);
    EXPECT_EQ("", two.classId);

    BlockRecord extra = Parse("1,Name,ID,Note,fifth,sixth");
    EXPECT_EQ("Note", extra.comment);
    BlockRecord trailing = Parse("1,Name,ID,Note,");
    EXPECT_EQ("Note", trailing.comment);
}

TEST(BlockListLine, EnabledOnlyWhenTheLeadingIntegerIsOne) {
    EXPECT_TRUE(LeadingIntegerIsOne("1"));
    EXPECT_TRUE(LeadingIntegerIsOne("01"));
    EXPECT_TRUE(LeadingIntegerIsOne("+1"));
    EXPECT_TRUE(LeadingIntegerIsOne("1x"));
    EXPECT_TRUE(LeadingIntegerIsOne("\t1"));
    EXPECT_TRUE(LeadingIntegerIsOne("1.9"));
    EXPECT_FALSE(LeadingIntegerIsOne(""));
    EXPECT_FALSE(LeadingIntegerIsOne("yes"));
    EXPECT_FALSE(LeadingIntegerIsOne("0"));
    EXPECT_FALSE(LeadingIntegerIsOne("2"));
    EXPECT_FALSE(LeadingIntegerIsOne("-1"));
    EXPECT_FALSE(LeadingIntegerIsOne("10"));
    EXPECT_FALSE(LeadingIntegerIsOne("x1"));
    EXPECT_FALSE(LeadingIntegerIsOne("+ 1"));
    // Would wrap to 1 in 32 bits.
    EXPECT_FALSE(LeadingIntegerIsOne("4294967297"));
}
