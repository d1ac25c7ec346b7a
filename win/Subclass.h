#pragma once
// Subclassing an existing control with SetWindowSubclass: the object receives every message
// first and hands what it does not handle to DefaultProc. The subclass is removed at
// WM_NCDESTROY or on Detach, whichever comes first.
#include "win/Win32.h"

class SubclassedWindow {
public:
    SubclassedWindow() = default;
    virtual ~SubclassedWindow() { Detach(); }
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    bool Attach(HWND hwnd);
    void Detach();
    HWND Hwnd() const noexcept { return hwnd_; }

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR data);
    HWND hwnd_ = nullptr;
};
