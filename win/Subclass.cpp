#include "win/Subclass.h"

#include <commctrl.h>

bool SubclassedWindow::Attach(HWND hwnd) {
    Detach();
    if (!hwnd || !::SetWindowSubclass(hwnd, &SubclassedWindow::Proc, reinterpret_cast<UINT_PTR>(this),
                                      reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = hwnd;
    return true;
}

void SubclassedWindow::Detach() {
    if (hwnd_) {
        ::RemoveWindowSubclass(hwnd_, &SubclassedWindow::Proc, reinterpret_cast<UINT_PTR>(this));
        hwnd_ = nullptr;
    }
}

LRESULT SubclassedWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

LRESULT SubclassedWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) {
    auto* self = reinterpret_cast<SubclassedWindow*>(data);
    if (message == WM_NCDESTROY) {
        LRESULT result = self->WindowProc(message, wParam, lParam);
        self->Detach();
        return result;
    }
    (void)hwnd;
    return self->WindowProc(message, wParam, lParam);
}
