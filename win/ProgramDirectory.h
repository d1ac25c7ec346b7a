#pragma once
// The folder of the running executable, ending with a backslash: where the block list,
// the installed descriptor and everything an update writes live.
#include <string>

std::string ProgramDirectory();
