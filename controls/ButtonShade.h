#pragma once
// The vertical gradient of the owner-drawn push buttons, as plain arithmetic: which of the
// 64 shades a pixel row gets, and what colour each shade is.
#include <cstdint>

constexpr int kButtonShadeCount = 64;

struct ShadeColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Shade of pixel row `y` of a face whose top row is `top` and whose height (bottom - top)
// is `faceHeight`: ((y - top) * 63) / faceHeight, so the top row gets 0 and the row at
// top + faceHeight gets 63. Rows outside that span are held to the nearest end.
// A face with no height (faceHeight <= 0) has no gradient at all: see FaceHasGradient.
int ShadeForRow(int y, int top, int faceHeight);

// A face only gets a gradient when it has a height; a button no taller than its two edges
// keeps the plain white fill of its outline. This also keeps ShadeForRow from dividing by 0.
inline bool FaceHasGradient(int faceHeight) { return faceHeight > 0; }

// Colour of shade `shade` (0..63, held to that range). A hot button is lighter; a
// highlighted one (focused, pressed or default) turns a little more yellow at the bottom.
ShadeColour ButtonShade(int shade, bool hot, bool highlighted);
