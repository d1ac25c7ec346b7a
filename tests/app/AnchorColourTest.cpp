#include "app/AnchorColour.h"
#include "app/HandCursor.h"

#include <gtest/gtest.h>

TEST(AnchorColour, ThreeNumbersMakeAColourAndAnythingShortDoesNot) {
    EXPECT_EQ(std::optional<std::uint32_t>(0x008000), ParseAnchorColour("0,128,0"));
    EXPECT_EQ(std::optional<std::uint32_t>(0xFF0000), ParseAnchorColour("0,0,255"));
    EXPECT_EQ(std::optional<std::uint32_t>(0x800080), ParseAnchorColour("128,0,128"));
    EXPECT_EQ(std::optional<std::uint32_t>(0x030201), ParseAnchorColour("1,2,3"));

    EXPECT_EQ(std::nullopt, ParseAnchorColour("0,128"));      // one comma
    EXPECT_EQ(std::nullopt, ParseAnchorColour("0,128,"));     // nothing after the second
    EXPECT_EQ(std::nullopt, ParseAnchorColour("0 128 0"));    // no commas
    EXPECT_EQ(std::nullopt, ParseAnchorColour(""));
    EXPECT_EQ(std::nullopt, ParseAnchorColour(std::string_view("0,128,\0" "5", 9)));  // ends at the terminator
}

TEST(AnchorColour, NumbersAreReadLikeAtoiAndCutToTheirLowByte) {
    EXPECT_EQ(std::optional<std::uint32_t>(0x000000), ParseAnchorColour("256,0,0"));
    EXPECT_EQ(std::optional<std::uint32_t>(0x000001), ParseAnchorColour("257,0,0"));
    EXPECT_EQ(std::optional<std::uint32_t>(0x0000FF), ParseAnchorColour("-1,0,0"));
    EXPECT_EQ(std::optional<std::uint32_t>(0x0000FF), ParseAnchorColour(" 255 ,x, y"));  // blanks; junk is 0
    EXPECT_EQ(std::optional<std::uint32_t>(0x0A0000), ParseAnchorColour("0,,10"));       // empty green is 0
    EXPECT_EQ(std::optional<std::uint32_t>(0x100000), ParseAnchorColour("0,0,16,99"));   // blue is the rest
    // More digits than an int holds still gives the low byte of the number.
    EXPECT_EQ(std::optional<std::uint32_t>(0x000001), ParseAnchorColour("4294967553,0,0"));  // 2^32 + 257
}

TEST(HandCursor, MasksDrawAnOpaqueHandWithItsFingertipAtTheHotSpot) {
    const CursorMasks masks = HandCursorMasks();
    EXPECT_FALSE(MaskBit(masks.andMask, kHandHotSpotX, kHandHotSpotY)) << "hot spot on the hand";
    EXPECT_TRUE(MaskBit(masks.andMask, kHandHotSpotX - 1, kHandHotSpotY)) << "nothing left of the tip";
    EXPECT_TRUE(MaskBit(masks.xorMask, kHandHotSpotX, kHandHotSpotY + 2)) << "white inside the finger";
    EXPECT_TRUE(MaskBit(masks.andMask, 31, 31));
}

TEST(HandCursor, AtTheSystemsCursorSizeTheHandKeepsItsShapeAndHotSpot) {
    const CursorMasks source = HandCursorMasks();
    EXPECT_EQ(kHandHotSpotX, HandCursorMasksAt(32).hotSpotX);
    for (int size : {48, 64}) {
        SCOPED_TRACE(size);
        const ScaledCursorMasks big = HandCursorMasksAt(size);
        EXPECT_EQ(static_cast<size_t>((size + 15) / 16 * 2 * size), big.andMask.size());  // whole words a row
        EXPECT_EQ(kHandHotSpotY, big.hotSpotY);
        EXPECT_FALSE(big.Bit(big.andMask, big.hotSpotX, big.hotSpotY)) << "hot spot on the fingertip";
        EXPECT_TRUE(big.Bit(big.andMask, big.hotSpotX - 1, big.hotSpotY)) << "nothing left of it";
        int opaque = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) opaque += big.Bit(big.andMask, x, y) ? 0 : 1;
        int sourceOpaque = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) sourceOpaque += MaskBit(source.andMask, x, y) ? 0 : 1;
        // The picture grows with the area: (size / 32)^2 times as many pixels, give or take
        // the rounding of each row and column.
        EXPECT_NEAR(sourceOpaque * size * size / 1024.0, opaque, sourceOpaque * size * size / 1024.0 * 0.15);
    }
}
