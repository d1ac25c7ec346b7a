#pragma once
// Centring of dialogs on a reference window or on the work area, kept inside the area.
#include "win/Win32.h"

// Pure placement: where a window of the given size goes so that it is centred on
// `reference` (or on `area` when reference is null) and kept inside `area`.
POINT CentredPosition(SIZE window, const RECT& area, const RECT* reference);

// Centres `hwnd` on `reference`; with none, on the parent of a child window or the owner of
// a top-level one. A hidden or minimised top-level reference is ignored.
void CentreWindow(HWND hwnd, HWND reference = nullptr);
