#pragma once
// The folder of the running executable, ending with a backslash: where the block list,
// the installed descriptor and everything an update writes live.
#include <string>

// The block list's name there. Plain text despite the extension.
constexpr char kBlockListFileName[] = "objects.dll";

std::string ProgramDirectory();
