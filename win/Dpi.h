#pragma once
// The dots per inch a window is drawn at, and sizes scaled to it. Windows before 10 have
// no per-window DPI; there every window is drawn at the system's DPI.
#include "win/Win32.h"

constexpr int kDefaultDpi = 96;  // 100 %

// Sent when a window moves to a monitor of another DPI (Windows 8.1 and later): to the
// top-level window (wParam: the new DPI twice, lParam: the suggested window rectangle),
// then to each child after its parent. Named here: the headers give them only to
// programs that need Windows 10.
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr UINT kWmDpiChangedAfterParent = 0x02E3;

// `value` (pixels at 96 DPI) at `dpi`, rounded to the nearest pixel.
int ScaleToDpi(int value, int dpi);

// The DPI of the screen as this process sees it.
int SystemDpi();
// The DPI `hwnd` is drawn at; the system's when the platform has no per-window DPI.
int WindowDpi(HWND hwnd);
// A system metric (SM_CXICON, SM_CXCURSOR, ...) as it is at `dpi`.
int SystemMetricAt(int index, int dpi);
