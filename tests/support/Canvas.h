#pragma once
// A 24-bit bitmap in a memory device context, for tests that let a control or an icon
// draw and then read the pixels back.
#include "win/UniqueHandle.h"

class Canvas {
public:
    Canvas(int width, int height, COLORREF background = RGB(128, 128, 128));
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const noexcept { return dc_.Get(); }
    void Fill(COLORREF colour);
    COLORREF Pixel(int x, int y) const { return ::GetPixel(dc_.Get(), x, y); }
    int Count(COLORREF colour) const;

private:
    int width_;
    int height_;
    UniqueDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};
