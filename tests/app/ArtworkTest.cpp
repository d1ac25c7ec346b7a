#include "res/resource.h"
#include "win/UniqueHandle.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

// What an icon shows over a background: the pixels read back after drawing it.
std::vector<COLORREF> Render(HICON icon, int size, COLORREF background) {
    UniqueDc dc(::CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HGDIOBJ old = ::SelectObject(dc.Get(), bitmap.Get());
    UniqueBrush brush(::CreateSolidBrush(background));
    RECT all{0, 0, size, size};
    ::FillRect(dc.Get(), &all, brush.Get());
    ::DrawIconEx(dc.Get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) pixels.push_back(::GetPixel(dc.Get(), x, y));
    ::SelectObject(dc.Get(), old);
    return pixels;
}

struct IconLook {
    int transparent = 0;
    std::set<COLORREF> colours;  // of the opaque pixels
};

IconLook Look(int id, int size) {
    UniqueIcon icon(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
    IconLook look;
    if (!icon) return look;
    const auto onBlack = Render(icon.Get(), size, RGB(0, 0, 0));
    const auto onWhite = Render(icon.Get(), size, RGB(255, 255, 255));
    for (std::size_t i = 0; i < onBlack.size(); ++i) {
        if (onBlack[i] != onWhite[i])
            ++look.transparent;
        else
            look.colours.insert(onBlack[i]);
    }
    return look;
}

TEST(Artwork, StateIconsShowTheirShapesOnATransparentBackground) {
    const IconLook off = Look(IDI_STATE_OFF, 16);
    EXPECT_GT(off.transparent, 30);
    EXPECT_LT(off.transparent, 200);
    EXPECT_TRUE(off.colours.count(RGB(255, 0, 0))) << "red frame";
    EXPECT_TRUE(off.colours.count(RGB(0, 255, 255))) << "cyan frame";
    EXPECT_TRUE(off.colours.count(RGB(0, 255, 0))) << "green square";

    const IconLook on = Look(IDI_STATE_ON, 16);
    EXPECT_EQ(off.transparent, on.transparent) << "the same shapes";
    EXPECT_EQ(std::set<COLORREF>{RGB(255, 255, 255)}, on.colours) << "all in white";
}

TEST(Artwork, ProgramIconHasBothSizesWithTransparentCorners) {
    for (int size : {16, 32}) {
        const IconLook look = Look(IDI_HUSHBAR, size);
        EXPECT_GT(look.transparent, 0) << size;
        EXPECT_GT(look.colours.size(), 6u) << size;
    }
}

TEST(Artwork, TreeStripHoldsFifteenDistinctCellsOnMagenta) {
    UniqueBitmap strip(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                          MAKEINTRESOURCEA(IDB_TREE_IMAGES), IMAGE_BITMAP, 0, 0,
                                                          LR_CREATEDIBSECTION)));
    ASSERT_TRUE(strip);
    BITMAP info{};
    ::GetObjectA(strip.Get(), sizeof info, &info);
    ASSERT_EQ(15 * 16, info.bmWidth);
    ASSERT_EQ(16, info.bmHeight);

    UniqueDc dc(::CreateCompatibleDC(nullptr));
    HGDIOBJ old = ::SelectObject(dc.Get(), strip.Get());
    std::vector<std::vector<COLORREF>> cells(15);
    for (int cell = 0; cell < 15; ++cell) {
        int magenta = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const COLORREF c = ::GetPixel(dc.Get(), cell * 16 + x, y);
                cells[cell].push_back(c);
                magenta += c == RGB(255, 0, 255) ? 1 : 0;
            }
        EXPECT_GT(magenta, 0) << "cell " << cell << " is masked somewhere";
        EXPECT_LT(magenta, 200) << "cell " << cell << " has a picture";
    }
    ::SelectObject(dc.Get(), old);
    for (int a = 0; a < 15; ++a)
        for (int b = a + 1; b < 15; ++b) EXPECT_NE(cells[a], cells[b]) << a << " and " << b;
}

}  // namespace
