#include "app/HandCursor.h"

#include <cstring>

namespace {

// '#' black outline, '.' white fill, anything else transparent. Rows not listed are empty.
constexpr const char* kHandPicture[] = {
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    "    #..#..#..###",
    "    #..#..#..#..#",
    " ## #..#..#..#..#",
    "#..##..#..#..#..#",
    "#...#...........#",
    " #..#...........#",
    "  #.............#",
    "  #.............#",
    "   #............#",
    "   #...........#",
    "    #..........#",
    "    #.........#",
    "     #........#",
    "     #........#",
    "     ##########",
};

void SetBit(std::array<std::uint8_t, CursorMasks::kBytes>& mask, int x, int y, bool on) {
    const int index = y * (CursorMasks::kSize / 8) + x / 8;
    const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
    if (on)
        mask[index] = static_cast<std::uint8_t>(mask[index] | bit);
    else
        mask[index] = static_cast<std::uint8_t>(mask[index] & ~bit);
}

}  // namespace

CursorMasks HandCursorMasks() {
    CursorMasks masks{};
    masks.andMask.fill(0xFF);
    masks.xorMask.fill(0x00);
    const int rows = static_cast<int>(sizeof kHandPicture / sizeof kHandPicture[0]);
    for (int y = 0; y < rows && y < CursorMasks::kSize; ++y) {
        const char* row = kHandPicture[y];
        const int width = static_cast<int>(std::strlen(row));
        for (int x = 0; x < width && x < CursorMasks::kSize; ++x) {
            if (row[x] != '#' && row[x] != '.') continue;
            SetBit(masks.andMask, x, y, false);
            SetBit(masks.xorMask, x, y, row[x] == '.');
        }
    }
    return masks;
}

bool MaskBit(const std::array<std::uint8_t, CursorMasks::kBytes>& mask, int x, int y) {
    return (mask[y * (CursorMasks::kSize / 8) + x / 8] & (0x80u >> (x % 8))) != 0;
}

ScaledCursorMasks HandCursorMasksAt(int size) {
    ScaledCursorMasks scaled;
    if (size <= 0) return scaled;
    const CursorMasks source = HandCursorMasks();
    scaled.size = size;
    // The first pixel whose source is the hot spot's column (and row).
    scaled.hotSpotX = (kHandHotSpotX * size + CursorMasks::kSize - 1) / CursorMasks::kSize;
    scaled.hotSpotY = (kHandHotSpotY * size + CursorMasks::kSize - 1) / CursorMasks::kSize;
    const size_t bytes = static_cast<size_t>(scaled.RowBytes()) * static_cast<size_t>(size);
    scaled.andMask.assign(bytes, 0xFF);
    scaled.xorMask.assign(bytes, 0x00);
    for (int y = 0; y < size; ++y) {
        const int sourceY = y * CursorMasks::kSize / size;
        for (int x = 0; x < size; ++x) {
            const int sourceX = x * CursorMasks::kSize / size;
            const size_t index = static_cast<size_t>(y * scaled.RowBytes() + x / 8);
            const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
            if (!MaskBit(source.andMask, sourceX, sourceY)) scaled.andMask[index] &= static_cast<std::uint8_t>(~bit);
            if (MaskBit(source.xorMask, sourceX, sourceY)) scaled.xorMask[index] |= bit;
        }
    }
    return scaled;
}
