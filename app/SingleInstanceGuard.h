#pragma once
// One copy of the program per desktop (or session, or user): a named mutex held for the
// life of the process. The system releases it when the process ends.
#include "win/UniqueHandle.h"
#include "win/Win32.h"

enum InstanceScope : unsigned {
    ScopeSession = 1,
    ScopeDesktop = 2,
    ScopeUser = 4,
};

constexpr char kInstanceBase[] = "Hushbar By Orlen";

// Builds the mutex name into `buffer` (MAX_PATH characters). Returns the buffer, or null
// with ERROR_INVALID_PARAMETER when there is none.
char* MakeInstanceName(const char* base, char* buffer, unsigned scope);
// The same with the desktop part read from `desktop`; a desktop whose name cannot be read
// (as on systems without desktops) gives "Win9x".
char* MakeInstanceName(const char* base, char* buffer, unsigned scope, HDESK desktop);

class SingleInstanceGuard {
public:
    // True when another copy holds the same name. A second call in the same process
    // answers false without creating a second mutex.
    static bool IsAlreadyRunning(const char* base, unsigned scope);

private:
    static UniqueKernelHandle mutex_;
};
