#pragma once
// Finding windows the test's own thread made, such as the popup list of a choice editor.
#include "win/Win32.h"

// The first visible top-level window of this thread whose class is `className` (compared
// without regard to case); null when there is none.
HWND VisibleWindowOfThread(const char* className);

// The open drop-down list of a choice editor, if any.
inline HWND VisibleListOfThread() { return VisibleWindowOfThread("ListBox"); }
