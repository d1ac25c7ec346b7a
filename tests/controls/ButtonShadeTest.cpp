#include "controls/ButtonShade.h"

#include <gtest/gtest.h>

TEST(ButtonShade, ASmallFaceRunsFromTheFirstShadeToTheLast) {
    // A face 3 pixels high has 4 rows, top to bottom edge inclusive.
    EXPECT_EQ(0, ShadeForRow(10, 10, 3));
    EXPECT_EQ(21, ShadeForRow(11, 10, 3));
    EXPECT_EQ(42, ShadeForRow(12, 10, 3));
    EXPECT_EQ(63, ShadeForRow(13, 10, 3));
    // A tall face repeats shades and still ends on the last.
    EXPECT_EQ(31, ShadeForRow(50, 0, 100));
    EXPECT_EQ(63, ShadeForRow(100, 0, 100));
    // Rows beyond the face are held to its ends instead of leaving the palette.
    EXPECT_EQ(0, ShadeForRow(-4, 0, 10));
    EXPECT_EQ(63, ShadeForRow(1000000000, 0, 10));
    // A face without height has no gradient, and asking anyway divides by nothing.
    EXPECT_EQ(0, ShadeForRow(7, 7, 0));
}

TEST(ButtonShade, ColoursFollowHotAndHighlightedStates) {
    auto rgb = [](ShadeColour c) { return std::make_tuple(int{c.red}, int{c.green}, int{c.blue}); };
    // The first shade is white in every state.
    EXPECT_EQ(std::make_tuple(255, 255, 255), rgb(ButtonShade(0, false, false)));
    EXPECT_EQ(std::make_tuple(255, 255, 255), rgb(ButtonShade(0, true, true)));
    // The last shade: grey falls by i/3 normally, i/4 when hot; blue by i/5 unless highlighted,
    // then by i/4 normally and i/3 when hot.
    EXPECT_EQ(std::make_tuple(234, 234, 243), rgb(ButtonShade(63, false, false)));
    EXPECT_EQ(std::make_tuple(234, 234, 240), rgb(ButtonShade(63, false, true)));
    EXPECT_EQ(std::make_tuple(240, 240, 243), rgb(ButtonShade(63, true, false)));
    EXPECT_EQ(std::make_tuple(240, 240, 234), rgb(ButtonShade(63, true, true)));
    // Integer division in the middle: 30/3 = 10, 30/4 = 7, 30/5 = 6.
    EXPECT_EQ(std::make_tuple(245, 245, 249), rgb(ButtonShade(30, false, false)));
    EXPECT_EQ(std::make_tuple(248, 248, 245), rgb(ButtonShade(30, true, true)));
}
