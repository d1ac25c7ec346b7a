#pragma once
// The dots per inch a window is drawn at, and sizes scaled to it. Windows before 10 have
// no per-window DPI; there every window is drawn at the system's DPI.
#include "win/Win32.h"

constexpr int kDefaultDpi = 96;  // 100 %

// `value` (pixels at 96 DPI) at `dpi`, rounded to the nearest pixel.
int ScaleToDpi(int value, int dpi);

// The DPI of the screen as this process sees it.
int SystemDpi();
// The DPI `hwnd` is drawn at; the system's when the platform has no per-window DPI.
int WindowDpi(HWND hwnd);
// A system metric (SM_CXICON, SM_CXCURSOR, ...) as it is at `dpi`.
int SystemMetricAt(int index, int dpi);
