#include "support/Canvas.h"

Canvas::Canvas(int width, int height, COLORREF background)
    : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    Fill(background);
}

Canvas::~Canvas() {
    if (previous_) ::SelectObject(dc_.Get(), previous_);
}

void Canvas::Fill(COLORREF colour) {
    UniqueBrush brush(::CreateSolidBrush(colour));
    RECT all{0, 0, width_, height_};
    ::FillRect(dc_.Get(), &all, brush.Get());
}

int Canvas::Count(COLORREF colour) const {
    int count = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) count += Pixel(x, y) == colour ? 1 : 0;
    return count;
}
