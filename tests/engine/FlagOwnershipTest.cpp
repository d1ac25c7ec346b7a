#include "engine/FlagOwnership.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kBit = 0x400;

FlagKeyState Key(std::optional<std::uint32_t> flags, std::optional<std::uint32_t> record = std::nullopt,
                 bool other = false) {
    FlagKeyState state;
    state.exists = true;
    state.flags = flags;
    state.record = record;
    state.holdsOtherData = other;
    return state;
}

TEST(FlagOwnership, SettingRecordsWhatWasAddedAndLeavesOthersFlagsAlone) {
    FlagPlan created = PlanSetFlag(FlagKeyState{}, kBit);
    EXPECT_TRUE(created.createKey);
    EXPECT_EQ(kBit, created.writeFlags);
    EXPECT_EQ(kOwnerCreatedKey, created.writeRecord);

    FlagPlan added = PlanSetFlag(Key(0x00800000u), kBit);
    EXPECT_EQ(0x00800400u, added.writeFlags);
    EXPECT_EQ(kOwnerAddedFlag, added.writeRecord);

    FlagPlan valueAdded = PlanSetFlag(Key(std::nullopt), kBit);
    EXPECT_EQ(kBit, valueAdded.writeFlags);
    EXPECT_EQ(kOwnerAddedValue, valueAdded.writeRecord);

    EXPECT_TRUE(PlanSetFlag(Key(0x00800400u), kBit).WritesNothing()) << "someone else's kill bit";
    EXPECT_TRUE(PlanSetFlag(Key(kBit, kOwnerCreatedKey), kBit).WritesNothing()) << "ours already";

    FlagPlan restored = PlanSetFlag(Key(0x10u, kOwnerAddedFlag), kBit);
    EXPECT_EQ(0x410u, restored.writeFlags) << "our bit cleared by someone: put back";
    EXPECT_FALSE(restored.writeRecord);

    FlagKeyState odd = Key(std::nullopt);
    odd.flagsUnreadable = true;
    EXPECT_TRUE(PlanSetFlag(odd, kBit).WritesNothing());
    EXPECT_FALSE(FlagInForce(odd, PlanSetFlag(odd, kBit), kBit));
    EXPECT_TRUE(FlagInForce(Key(0x400u), PlanSetFlag(Key(0x400u), kBit), kBit));
}

TEST(FlagOwnership, ClearingTakesOutExactlyWhatTheRecordSays) {
    EXPECT_TRUE(PlanClearFlag(Key(kBit), kBit).WritesNothing()) << "no record: not ours";
    EXPECT_TRUE(PlanClearFlag(FlagKeyState{}, kBit).WritesNothing());

    EXPECT_TRUE(PlanClearFlag(Key(kBit, kOwnerCreatedKey), kBit).deleteKey);

    FlagPlan keptKey = PlanClearFlag(Key(kBit, kOwnerCreatedKey, true), kBit);
    EXPECT_FALSE(keptKey.deleteKey) << "someone wrote into the key since";
    EXPECT_TRUE(keptKey.deleteFlags);
    EXPECT_TRUE(keptKey.deleteRecord);

    FlagPlan otherBits = PlanClearFlag(Key(0x00800400u, kOwnerCreatedKey), kBit);
    EXPECT_FALSE(otherBits.deleteKey);
    EXPECT_EQ(0x00800000u, otherBits.writeFlags);

    FlagPlan added = PlanClearFlag(Key(0x00800400u, kOwnerAddedFlag), kBit);
    EXPECT_EQ(0x00800000u, added.writeFlags);
    EXPECT_TRUE(added.deleteRecord);
    EXPECT_FALSE(added.deleteKey || added.deleteFlags);

    FlagPlan addedZero = PlanClearFlag(Key(kBit, kOwnerAddedFlag), kBit);
    EXPECT_EQ(0u, addedZero.writeFlags) << "the value was there before us: it stays, without our bit";

    FlagPlan valueAdded = PlanClearFlag(Key(kBit, kOwnerAddedValue, true), kBit);
    EXPECT_TRUE(valueAdded.deleteFlags) << "the value was ours";
    EXPECT_FALSE(valueAdded.deleteKey) << "the key was not";
}

TEST(FlagOwnership, OnlyOurRecordNumbersCount) {
    for (std::uint32_t ours : {1u, 2u, 3u}) EXPECT_EQ(ours, ParseOwnerRecord(ours));
    for (std::uint32_t other : {0u, 4u, 0x400u, 0xFFFFFFFFu}) EXPECT_EQ(std::nullopt, ParseOwnerRecord(other));
}

}  // namespace
