#include "update/ProgressTexts.h"

#include "update/ResourceText.h"

#include <gtest/gtest.h>

namespace {

// Shows which text was chosen and with what: "121[512]".
std::string Spell(unsigned id, const std::vector<std::string>& inserts) {
    std::string out = std::to_string(id) + "[";
    for (std::size_t i = 0; i < inserts.size(); ++i) out += (i ? "|" : "") + inserts[i];
    return out + "]";
}

std::string Real(unsigned id, const std::vector<std::string>& inserts) {
    return FormatResourceText(id, inserts);
}

}  // namespace

TEST(ProgressTexts, SizesSwitchUnitsAtTheirBoundaries) {
    EXPECT_EQ("121[1023]", SizeText(1023, Spell));
    EXPECT_EQ("123[1.0]", SizeText(1024, Spell));
    EXPECT_EQ("123[1024.0]", SizeText(1048575, Spell));
    EXPECT_EQ("125[1.00]", SizeText(1048576, Spell));
    EXPECT_EQ("125[4096.00]", SizeText(4294967295u, Spell));

    EXPECT_EQ("512 Bytes of 2.0 KB", FormatResourceText(117, SizeText(512, Real), SizeText(2048, Real)));
}

TEST(ProgressTexts, TimeLeftSwitchesToMinutesAtSixtySeconds) {
    EXPECT_EQ("118[59]", TimeText(59, Spell));
    EXPECT_EQ("119[1]", TimeText(60, Spell));
    EXPECT_EQ("120[1|1]", TimeText(61, Spell));
    EXPECT_EQ("119[61]", TimeText(3660, Spell));

    EXPECT_EQ("1 min 1 sec", TimeText(61, Real));
    EXPECT_EQ("2 min 5 sec (1.50 MB of 3.20 MB copied)", TimeLeftLine(125, 1572864, 3355443, Real));
}

TEST(ProgressTexts, RatesInBytesBelowOneAndKilobytesAbove) {
    EXPECT_EQ("128[512]", RateLine(0.5, Spell));
    EXPECT_EQ("129[2.50]", RateLine(2.5, Spell));
    EXPECT_EQ("129[9.99]", RateLine(9.99, Spell));
    EXPECT_EQ("129[10]", RateLine(10.0, Spell));
    EXPECT_EQ("129[13]", RateLine(12.6, Spell));

    EXPECT_EQ("512 Bytes/Sec", RateLine(0.5, Real));
    EXPECT_EQ("13 KB/Sec", RateLine(12.6, Real));
}

TEST(ProgressTexts, TitleFollowsTheFormattersPercentRules) {
    EXPECT_EQ("115[45|]", TitleAtPercent(45, Spell));
    EXPECT_EQ("45 of  Completed", TitleAtPercent(45, Real));
    // Two percent signs give one; inserts the text names but the caller left out are empty.
    EXPECT_EQ("50% done", FormatInserts("%1%% done", {"50"}));
    EXPECT_EQ("a-", FormatInserts("%1-%2", {"a"}));
    EXPECT_EQ("", FormatResourceText(9999, {"unused"}));
}

TEST(ProgressTexts, PercentIsTruncatedAndNeedsAKnownNonZeroLength) {
    EXPECT_EQ(45u, PercentDone(true, 459, 1000).value());
    EXPECT_EQ(0u, PercentDone(true, 9, 1000).value());
    EXPECT_EQ(99u, PercentDone(true, 999, 1000).value());
    EXPECT_EQ(100u, PercentDone(true, 1000, 1000).value());
    EXPECT_EQ(99u, PercentDone(true, 4000000000u, 4000000001u).value());  // no 32-bit overflow
    EXPECT_EQ(100u, PercentDone(true, 1500, 1000).value());
    EXPECT_FALSE(PercentDone(false, 500, 1000).has_value());
    EXPECT_FALSE(PercentDone(true, 500, 0).has_value());
}

TEST(ProgressTexts, SecondsLeftFromTheTimePerByteSoFar) {
    EXPECT_EQ(3u, SecondsLeft(1000, 250, 1000));         // 4 ms a byte, 750 to go
    EXPECT_EQ(120u, SecondsLeft(2000, 100000, 6100000));  // faster than a byte a millisecond
    // 4 GB announced, one byte in after a minute: more seconds than fit, so the most.
    EXPECT_EQ(4294967295u, SecondsLeft(60000, 1, 4294967295u));
    EXPECT_EQ(0u, SecondsLeft(5000, 0, 1000));
    EXPECT_EQ(0u, SecondsLeft(5000, 1000, 1000));
    EXPECT_EQ(0u, SecondsLeft(5000, 2000, 1000));
}
