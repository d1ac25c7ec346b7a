#pragma once
// Opening a document, a web page or a mail address with the program the user chose for it.
// Tests put a recorder in place of the shell so that nothing is really opened.
#include "win/Win32.h"

using ShellOpener = bool (*)(const char* target);

// The shell's "open" verb on `target`; false when the shell could not open it.
bool OpenWithShell(const char* target);

// Makes OpenWithShell call `opener` instead (null: the shell again); returns the one
// in place before.
ShellOpener SetShellOpenerForTesting(ShellOpener opener);
