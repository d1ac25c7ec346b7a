#pragma once
// The module whose resources the dialogs, texts and animations are loaded from. The
// application module sets it at start; until then (and in the test programs, which carry
// the resources themselves) it is the executable.
#include "win/Win32.h"

HINSTANCE ResourceInstance() noexcept;
// A null instance goes back to the executable.
void SetResourceInstance(HINSTANCE instance) noexcept;
