#include "controls/ButtonShade.h"

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

std::uint8_t Fade(int shade, int divisor) { return static_cast<std::uint8_t>(255 - shade / divisor); }

}  // namespace

int ShadeForRow(int y, int top, int faceHeight) {
    if (!FaceHasGradient(faceHeight)) return 0;
    const int last = kButtonShadeCount - 1;
    // Held to the face before multiplying, so a far-off row cannot overflow.
    const int row = Clamp(y - top, 0, faceHeight);
    return Clamp(static_cast<int>((static_cast<long long>(row) * last) / faceHeight), 0, last);
}

ShadeColour ButtonShade(int shade, bool hot, bool highlighted) {
    shade = Clamp(shade, 0, kButtonShadeCount - 1);
    const std::uint8_t grey = Fade(shade, hot ? 4 : 3);
    std::uint8_t blue;
    if (highlighted)
        blue = Fade(shade, hot ? 3 : 4);
    else
        blue = Fade(shade, 5);
    return ShadeColour{grey, grey, blue};
}
