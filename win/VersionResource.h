#pragma once
// The version a module's own version resource states, so no text in the program can
// drift from what the files say.
#include "win/Win32.h"

#include <string>

// "major.minor.patch" of the module's file version; empty when it has no version resource.
std::string ModuleVersion(HMODULE module);
