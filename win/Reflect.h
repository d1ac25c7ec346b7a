#pragma once
// Reflection of child notifications: the parent sends the same message plus OCM__BASE to
// the control it concerns, so owner-drawn buttons and the option tree do their own work.
#include "win/Win32.h"

constexpr UINT kOcmBase = WM_USER + 0x1C00;  // OCM__BASE, 0x2000

// Sends the reflected message to the child concerned. Returns false (and leaves result
// alone) when the message is not one that is reflected or no such child exists.
bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
