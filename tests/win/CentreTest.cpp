#include "win/Centre.h"

#include <gtest/gtest.h>

TEST(CentredPosition, CentresOnTheAreaWithoutReference) {
    RECT area{0, 0, 1000, 800};
    POINT at = CentredPosition(SIZE{200, 100}, area, nullptr);
    EXPECT_EQ(400, at.x);
    EXPECT_EQ(350, at.y);
}

TEST(CentredPosition, KeepsAWindowLargerThanTheAreaAtItsTopLeft) {
    RECT area{0, 0, 640, 480};
    POINT at = CentredPosition(SIZE{800, 600}, area, nullptr);
    EXPECT_EQ(0, at.x);
    EXPECT_EQ(0, at.y);
}

TEST(CentredPosition, PullsAWindowCentredNearAnEdgeBackInside) {
    RECT area{0, 0, 1000, 800};
    RECT nearRight{900, 700, 1000, 800};
    POINT at = CentredPosition(SIZE{300, 200}, area, &nearRight);
    EXPECT_EQ(700, at.x);  // its right edge ends at the area's right edge
    EXPECT_EQ(600, at.y);
    RECT nearLeft{-50, -50, 50, 50};
    at = CentredPosition(SIZE{300, 200}, area, &nearLeft);
    EXPECT_EQ(0, at.x);
    EXPECT_EQ(0, at.y);
}
