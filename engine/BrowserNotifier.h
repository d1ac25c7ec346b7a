#pragma once
// Tells running browsers that their settings changed, so that windows they open from now on
// read the policy afresh.
#include "win/Win32.h"

// The class of the browser's hidden top-level windows, matched exactly, case included.
constexpr char kBrowserHiddenClass[] = "Internet Explorer_Hidden";
// The browser's private "settings changed" message, and the section code it expects with the
// WM_WININICHANGE that follows it.
constexpr UINT kBrowserSettingsMessage = 0x0552;
constexpr WPARAM kBrowserIniSection = 0x1F;

// Walks every top-level window, showing the wait cursor while each is looked at, and sends
// the two messages to each browser window without ever waiting on a hung process.
void NotifyBrowserWindows();
