#include "win/TextFit.h"

#include <gtest/gtest.h>

namespace {

bool Same(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

// A small dialog 300 x 200: a note across the top, a group box holding a list below it, a
// check box under the group box, and a button right of the check box.
struct Layout {
    std::vector<FitItem> items{
        {RECT{40, 10, 280, 40}, SIZE{0, 0}, false},     // 0 note
        {RECT{10, 50, 290, 150}, SIZE{0, 0}, true},     // 1 group box
        {RECT{20, 60, 280, 140}, SIZE{0, 0}, false},    // 2 list inside it
        {RECT{10, 160, 110, 175}, SIZE{0, 0}, false},   // 3 check box
        {RECT{200, 160, 280, 180}, SIZE{0, 0}, false},  // 4 button
    };
};

TEST(PlanTextFit, ControlsOnlyGrowAndNeighboursMoveJustClearWithTheDialogKeepingItsMargins) {
    struct Row {
        const char* what;
        std::size_t item;
        SIZE needed;
        RECT expected[5];
        SIZE client;
    };
    const Row rows[] = {
        {"text that fits changes nothing; a smaller need never narrows", 3, SIZE{50, 5},
         {{40, 10, 280, 40}, {10, 50, 290, 150}, {20, 60, 280, 140}, {10, 160, 110, 175}, {200, 160, 280, 180}},
         SIZE{300, 200}},
        {"a wider check box pushes the button only past the gap", 3, SIZE{230, 15},
         {{40, 10, 280, 40}, {10, 50, 290, 150}, {20, 60, 280, 140}, {10, 160, 240, 175}, {244, 160, 324, 180}},
         SIZE{334, 200}},
        {"a taller note moves the group box with its contents and the rows below it", 0, SIZE{240, 60},
         {{40, 10, 280, 70}, {10, 80, 290, 180}, {20, 90, 280, 170}, {10, 190, 110, 205}, {200, 190, 280, 210}},
         SIZE{300, 230}},
    };
    for (const Row& row : rows) {
        Layout layout;
        layout.items[row.item].needed = row.needed;
        const FitLayout plan = PlanTextFit(layout.items, SIZE{300, 200}, 4);
        for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(Same(row.expected[i], plan.rects[i])) << row.what << ", item " << i;
        EXPECT_EQ(row.client.cx, plan.client.cx) << row.what;
        EXPECT_EQ(row.client.cy, plan.client.cy) << row.what;
    }
}

TEST(PlanTextFit, AGroupBoxGrowsRoundWhatItHoldsAndPushesWhatLiesBelowIt) {
    Layout layout;
    layout.items[2].needed = SIZE{260, 100};  // the list 20 taller
    const FitLayout plan = PlanTextFit(layout.items, SIZE{300, 200}, 4);
    EXPECT_TRUE(Same(RECT{10, 50, 290, 170}, plan.rects[1])) << "the same margin under the list";
    EXPECT_TRUE(Same(RECT{10, 180, 110, 195}, plan.rects[3])) << "the row below keeps its distance";
    EXPECT_TRUE(Same(RECT{200, 180, 280, 200}, plan.rects[4]));
    EXPECT_EQ(220, plan.client.cy);
}

}  // namespace
