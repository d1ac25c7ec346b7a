#pragma once
// Scope guards for GDI work: whatever is selected into a DC is put back, a DC
// obtained with GetDC is released, even on early returns.
#include "win/Win32.h"

class SelectScope {
public:
    SelectScope(HDC hdc, HGDIOBJ object) noexcept
        : hdc_(hdc), previous_(object ? ::SelectObject(hdc, object) : nullptr) {}
    ~SelectScope() {
        if (previous_) ::SelectObject(hdc_, previous_);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC hdc_;
    HGDIOBJ previous_;
};

class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), hdc_(::GetDC(hwnd)) {}
    ~WindowDc() {
        if (hdc_) ::ReleaseDC(hwnd_, hdc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return hdc_; }

private:
    HWND hwnd_;
    HDC hdc_;
};

class TextColorScope {
public:
    TextColorScope(HDC hdc, COLORREF colour) noexcept : hdc_(hdc), previous_(::SetTextColor(hdc, colour)) {}
    ~TextColorScope() { ::SetTextColor(hdc_, previous_); }
    TextColorScope(const TextColorScope&) = delete;
    TextColorScope& operator=(const TextColorScope&) = delete;

private:
    HDC hdc_;
    COLORREF previous_;
};

class BkModeScope {
public:
    BkModeScope(HDC hdc, int mode) noexcept : hdc_(hdc), previous_(::SetBkMode(hdc, mode)) {}
    ~BkModeScope() { ::SetBkMode(hdc_, previous_); }
    BkModeScope(const BkModeScope&) = delete;
    BkModeScope& operator=(const BkModeScope&) = delete;

private:
    HDC hdc_;
    int previous_;
};

class BkColorScope {
public:
    BkColorScope(HDC hdc, COLORREF colour) noexcept : hdc_(hdc), previous_(::SetBkColor(hdc, colour)) {}
    ~BkColorScope() { ::SetBkColor(hdc_, previous_); }
    BkColorScope(const BkColorScope&) = delete;
    BkColorScope& operator=(const BkColorScope&) = delete;

private:
    HDC hdc_;
    COLORREF previous_;
};
