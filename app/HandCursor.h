#pragma once
// The pointing hand shown over a link, as the two 32 x 32 monochrome masks a cursor is
// made from. Drawn here rather than taken from the system so it looks the same everywhere.
#include <array>
#include <cstdint>
#include <vector>

struct CursorMasks {
    static constexpr int kSize = 32;
    static constexpr int kBytes = kSize * kSize / 8;  // one bit a pixel, rows of 4 bytes
    std::array<std::uint8_t, kBytes> andMask;  // 1: the screen shows through
    std::array<std::uint8_t, kBytes> xorMask;  // with AND 0: 1 white, 0 black
};

// The tip of the index finger is the hot spot.
constexpr int kHandHotSpotX = 5;
constexpr int kHandHotSpotY = 0;

CursorMasks HandCursorMasks();

// Pixel (x, y) of a mask, for checking the picture.
bool MaskBit(const std::array<std::uint8_t, CursorMasks::kBytes>& mask, int x, int y);

// The hand drawn at `size` pixels square (the system's cursor size where the link is
// shown), from the 32-pixel picture, with the hot spot on the same fingertip. The masks
// have rows of whole 16-bit words, as CreateCursor takes them.
struct ScaledCursorMasks {
    int size = 0;
    int hotSpotX = 0;
    int hotSpotY = 0;
    std::vector<std::uint8_t> andMask;
    std::vector<std::uint8_t> xorMask;

    int RowBytes() const noexcept { return (size + 15) / 16 * 2; }
    bool Bit(const std::vector<std::uint8_t>& mask, int x, int y) const {
        return (mask[static_cast<size_t>(y * RowBytes() + x / 8)] & (0x80u >> (x % 8))) != 0;
    }
};
ScaledCursorMasks HandCursorMasksAt(int size);
