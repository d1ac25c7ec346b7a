#pragma once
// One copy of the program per desktop (or session, or user): a named mutex held for the
// life of the process. The system releases it when the process ends.
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

class SingleInstanceGuard {
public:
    // True when another copy holds the same name. A second call in the same process
    // answers false without creating a second mutex.
    static bool IsAlreadyRunning(const char* base, unsigned scope);

private:
    static HANDLE mutex_;
};
