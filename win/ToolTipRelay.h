#pragma once
// Handing a window's mouse messages to a tool-tip window so that it can show and hide its
// tips: the message as the window received it, with the time and the cursor position of
// the message being handled.
#include "win/MessageTable.h"
#include "win/Win32.h"

// Relays the message when it is one of the mouse messages a tool tip watches; does
// nothing for other messages or without a tool-tip window.
void RelayToToolTip(HWND toolTip, HWND window, const MessageArgs& args);
