#include "res/resource.h"
#include "support/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

enum class Pixel { Transparent, Tinted, Opaque };

struct IconLook {
    int size = 0;
    int transparent = 0;
    int tinted = 0;              // neither opaque nor showing the background unchanged
    std::set<COLORREF> colours;  // of the opaque pixels
    std::vector<Pixel> kinds;    // row by row
    std::vector<COLORREF> opaque;  // the colour of each pixel, where opaque

    Pixel KindAt(int x, int y) const { return kinds[static_cast<size_t>(y * size + x)]; }
    COLORREF ColourAt(int x, int y) const { return opaque[static_cast<size_t>(y * size + x)]; }
};

// Draws the icon over black and over white: pixels that differ are transparent.
IconLook Look(int id, int size) {
    UniqueIcon icon(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
    Canvas black(size, size, RGB(0, 0, 0)), white(size, size, RGB(255, 255, 255));
    ::DrawIconEx(black.Dc(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL);
    ::DrawIconEx(white.Dc(), 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL);
    IconLook look;
    look.size = size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Pixel kind = Pixel::Opaque;
            if (black.Pixel(x, y) == RGB(0, 0, 0) && white.Pixel(x, y) == RGB(255, 255, 255)) {
                kind = Pixel::Transparent;
                ++look.transparent;
            } else if (black.Pixel(x, y) != white.Pixel(x, y)) {
                kind = Pixel::Tinted;
                ++look.tinted;
            } else {
                look.colours.insert(black.Pixel(x, y));
            }
            look.kinds.push_back(kind);
            look.opaque.push_back(kind == Pixel::Opaque ? black.Pixel(x, y) : CLR_INVALID);
        }
    return look;
}

// The widths of the images an icon resource holds, from its group directory.
std::set<int> ImageSizes(int id) {
    std::set<int> sizes;
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    if (!found) return sizes;
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
    const WORD count = *reinterpret_cast<const WORD*>(bytes + 4);
    for (WORD i = 0; i < count; ++i) {
        const BYTE width = bytes[6 + 14 * i];  // GRPICONDIRENTRY: 14 bytes, width first
        sizes.insert(width == 0 ? 256 : width);
    }
    return sizes;
}

TEST(Artwork, StateIconsShowTheirShapesOnATransparentBackgroundAtEverySize) {
    EXPECT_EQ((std::set<int>{16, 24, 32, 48}), ImageSizes(IDI_STATE_OFF));
    EXPECT_EQ((std::set<int>{16, 24, 32, 48}), ImageSizes(IDI_STATE_ON));
    for (int size : {16, 24, 32, 48}) {
        SCOPED_TRACE(size);
        const IconLook off = Look(IDI_STATE_OFF, size);
        EXPECT_GT(off.transparent, size * size / 8);
        EXPECT_LT(off.transparent, size * size * 4 / 5);
        EXPECT_EQ(0, off.tinted);
        EXPECT_TRUE(off.colours.count(RGB(255, 0, 0))) << "red frame";
        EXPECT_TRUE(off.colours.count(RGB(0, 255, 255))) << "cyan frame";
        EXPECT_TRUE(off.colours.count(RGB(0, 255, 0))) << "green square";

        // ON keeps the very shapes in white and rings them in black, so that no white
        // pixel meets the background: it reads on a light taskbar as on a dark one.
        const IconLook on = Look(IDI_STATE_ON, size);
        EXPECT_EQ(0, on.tinted);
        EXPECT_EQ((std::set<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255)}), on.colours);
        int whiteMeetsBackground = 0, shapesDiffer = 0, strayOutline = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const bool white = on.KindAt(x, y) == Pixel::Opaque && on.ColourAt(x, y) == RGB(255, 255, 255);
                const bool black = on.KindAt(x, y) == Pixel::Opaque && on.ColourAt(x, y) == RGB(0, 0, 0);
                if (white != (off.KindAt(x, y) == Pixel::Opaque)) ++shapesDiffer;
                // The ring is a pixel wide for every 16 pixels of the icon.
                const int reach = std::max(1, size / 16);
                bool touchesWhite = false;
                for (int dy = -reach; dy <= reach; ++dy)
                    for (int dx = -reach; dx <= reach; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= size || ny >= size) {
                            if (white) ++whiteMeetsBackground;  // a shape on the image's edge
                            continue;
                        }
                        if (white && on.KindAt(nx, ny) == Pixel::Transparent) ++whiteMeetsBackground;
                        if (on.KindAt(nx, ny) == Pixel::Opaque && on.ColourAt(nx, ny) == RGB(255, 255, 255))
                            touchesWhite = true;
                    }
                if (black && !touchesWhite) ++strayOutline;
            }
        EXPECT_EQ(0, shapesDiffer) << "ON's white is exactly OFF's shapes";
        EXPECT_EQ(0, whiteMeetsBackground);
        EXPECT_EQ(0, strayOutline) << "the black only outlines";
    }

    for (int size : {16, 32}) {
        const IconLook program = Look(IDI_HUSHBAR, size);
        EXPECT_GT(program.transparent, 0) << size;
        EXPECT_EQ(0, program.tinted) << size;
        EXPECT_GT(program.colours.size(), 6u) << size;
    }
}

TEST(Artwork, TreeStripsHoldFifteenDistinctCellsOnMagentaAtEachSize) {
    const struct {
        int id;
        int size;
    } strips[] = {{IDB_TREE_IMAGES, 16}, {IDB_TREE_IMAGES_24, 24}, {IDB_TREE_IMAGES_32, 32}};
    for (const auto& strip : strips) {
        SCOPED_TRACE(strip.size);
        UniqueBitmap bitmap(static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                              MAKEINTRESOURCEA(strip.id), IMAGE_BITMAP, 0, 0,
                                                              LR_CREATEDIBSECTION)));
        BITMAP info{};
        ASSERT_TRUE(::GetObjectA(bitmap.Get(), sizeof info, &info));
        ASSERT_EQ(15 * strip.size, info.bmWidth);
        ASSERT_EQ(strip.size, info.bmHeight);

        UniqueDc dc(::CreateCompatibleDC(nullptr));
        HGDIOBJ old = ::SelectObject(dc.Get(), bitmap.Get());
        std::set<std::vector<COLORREF>> cells;
        const long area = static_cast<long>(strip.size) * strip.size;
        for (int cell = 0; cell < 15; ++cell) {
            std::vector<COLORREF> pixels;
            for (int y = 0; y < strip.size; ++y)
                for (int x = 0; x < strip.size; ++x) pixels.push_back(::GetPixel(dc.Get(), cell * strip.size + x, y));
            const auto magenta = std::count(pixels.begin(), pixels.end(), RGB(255, 0, 255));
            EXPECT_GT(magenta, 0) << "cell " << cell << " is masked somewhere";
            EXPECT_LT(magenta, area * 200 / 256) << "cell " << cell << " has a picture";
            cells.insert(pixels);
        }
        ::SelectObject(dc.Get(), old);
        EXPECT_EQ(15u, cells.size()) << "no two cells alike";
    }
}

}  // namespace
