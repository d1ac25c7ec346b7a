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

// One setting of a DC (text colour, background mode, background colour) changed for a
// scope and put back as it was at its end.
template <class Value, Value(WINAPI* Set)(HDC, Value)>
class DcSettingScope {
public:
    DcSettingScope(HDC hdc, Value value) noexcept : hdc_(hdc), previous_(Set(hdc, value)) {}
    ~DcSettingScope() { Set(hdc_, previous_); }
    DcSettingScope(const DcSettingScope&) = delete;
    DcSettingScope& operator=(const DcSettingScope&) = delete;

private:
    HDC hdc_;
    Value previous_;
};

using TextColorScope = DcSettingScope<COLORREF, ::SetTextColor>;
using BkModeScope = DcSettingScope<int, ::SetBkMode>;
using BkColorScope = DcSettingScope<COLORREF, ::SetBkColor>;
