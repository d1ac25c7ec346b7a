#include "res/resource.h"
#include "support/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

struct IconLook {
    int transparent = 0;
    int tinted = 0;              // neither opaque nor showing the background unchanged
    std::set<COLORREF> colours;  // of the opaque pixels
};

// Draws the icon over black and over white: pixels that differ are transparent.
IconLook Look(int id, int size) {
    UniqueIcon icon(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
    Canvas black(size, size, RGB(0, 0, 0)), white(size, size, RGB(255, 255, 255));
    ::DrawIconEx(black.Dc(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL);
    ::DrawIconEx(white.Dc(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL);
    IconLook look;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (black.Pixel(x, y) == RGB(0, 0, 0) && white.Pixel(x, y) == RGB(255, 255, 255))
                ++look.transparent;
            else if (black.Pixel(x, y) != white.Pixel(x, y))
                ++look.tinted;
            else
                look.colours.insert(black.Pixel(x, y));
        }
    return look;
}

TEST(Artwork, IconsShowTheirShapesOnATransparentBackground) {
    const IconLook off = Look(IDI_STATE_OFF, 16);
    EXPECT_GT(off.transparent, 30);
    EXPECT_LT(off.transparent, 200);
    EXPECT_EQ(0, off.tinted);
    EXPECT_TRUE(off.colours.count(RGB(255, 0, 0))) << "red frame";
    EXPECT_TRUE(off.colours.count(RGB(0, 255, 255))) << "cyan frame";
    EXPECT_TRUE(off.colours.count(RGB(0, 255, 0))) << "green square";

    const IconLook on = Look(IDI_STATE_ON, 16);
    EXPECT_EQ(off.transparent, on.transparent) << "the same shapes";
    EXPECT_EQ(std::set<COLORREF>{RGB(255, 255, 255)}, on.colours) << "all in white";

    for (int size : {16, 32}) {
        const IconLook program = Look(IDI_HUSHBAR, size);
        EXPECT_GT(program.transparent, 0) << size;
        EXPECT_EQ(0, program.tinted) << size;
        EXPECT_GT(program.colours.size(), 6u) << size;
    }
}

TEST(Artwork, TreeStripHoldsFifteenDistinctCellsOnMagenta) {
    UniqueBitmap strip(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                          MAKEINTRESOURCEA(IDB_TREE_IMAGES), IMAGE_BITMAP, 0, 0,
                                                          LR_CREATEDIBSECTION)));
    BITMAP info{};
    ASSERT_TRUE(::GetObjectA(strip.Get(), sizeof info, &info));
    ASSERT_EQ(15 * 16, info.bmWidth);
    ASSERT_EQ(16, info.bmHeight);

    UniqueDc dc(::CreateCompatibleDC(nullptr));
    HGDIOBJ old = ::SelectObject(dc.Get(), strip.Get());
    std::set<std::vector<COLORREF>> cells;
    for (int cell = 0; cell < 15; ++cell) {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) pixels.push_back(::GetPixel(dc.Get(), cell * 16 + x, y));
        const auto magenta = std::count(pixels.begin(), pixels.end(), RGB(255, 0, 255));
        EXPECT_GT(magenta, 0) << "cell " << cell << " is masked somewhere";
        EXPECT_LT(magenta, 200) << "cell " << cell << " has a picture";
        cells.insert(pixels);
    }
    ::SelectObject(dc.Get(), old);
    EXPECT_EQ(15u, cells.size()) << "no two cells alike";
}

}  // namespace
