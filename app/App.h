#pragma once
// Process start and end: COM, common controls, the module, the single-instance test, the
// main dialog and its message loop.
#include "win/Win32.h"

constexpr int kExitAlreadyRunning = -1;

// The whole life of the process; returns its exit status.
int RunApplication(HINSTANCE instance, int showCommand);

// Creates the main dialog, runs the loop until WM_QUIT and returns its wParam (0 when the
// dialog cannot be created).
int Run(int showCommand);
