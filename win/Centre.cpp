#include "win/Centre.h"

namespace {

LONG Place(LONG areaLow, LONG areaHigh, LONG middle, LONG extent) {
    LONG low = middle - extent / 2;
    if (low < areaLow)
        low = areaLow;
    else if (low + extent > areaHigh)
        low = areaHigh - extent;
    return low;
}

}  // namespace

POINT CentredPosition(SIZE window, const RECT& area, const RECT* reference) {
    const RECT& around = reference ? *reference : area;
    LONG middleX = (around.left + around.right) / 2;
    LONG middleY = (around.top + around.bottom) / 2;
    return POINT{Place(area.left, area.right, middleX, window.cx), Place(area.top, area.bottom, middleY, window.cy)};
}

void CentreWindow(HWND hwnd, HWND reference) {
    const bool isChild = (::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) != 0;
    if (!reference) reference = isChild ? ::GetParent(hwnd) : ::GetWindow(hwnd, GW_OWNER);

    RECT area{};
    HWND parent = isChild ? ::GetParent(hwnd) : nullptr;
    if (parent) {
        ::GetClientRect(parent, &area);
        ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
    } else {
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        if (reference && (!::IsWindowVisible(reference) || ::IsIconic(reference))) reference = nullptr;
    }

    RECT self{};
    ::GetWindowRect(hwnd, &self);
    RECT around{};
    const RECT* aroundPtr = nullptr;
    if (reference && ::GetWindowRect(reference, &around)) aroundPtr = &around;

    POINT at = CentredPosition(SIZE{self.right - self.left, self.bottom - self.top}, area, aroundPtr);
    if (parent) ::MapWindowPoints(nullptr, parent, &at, 1);
    ::SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
