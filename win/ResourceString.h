#pragma once
// Texts of the program's string table.
#include "win/Win32.h"
#include <string>

// The string with this id from the executable's resources; empty when there is none.
std::string LoadResourceString(UINT id);
