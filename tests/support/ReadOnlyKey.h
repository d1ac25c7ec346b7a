#pragma once
// Makes a registry key (created if missing) refuse every write for as long as the object lives, the way
// HKEY_LOCAL_MACHINE refuses a standard user on a real machine, and puts its security back.
#include "win/Win32.h"

#include <string>
#include <vector>

class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const std::string& path, REGSAM view = 0);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

    // False when the key could not be opened or its security not changed.
    bool Active() const noexcept { return active_; }

private:
    HKEY hkey_ = nullptr;  // kept open with WRITE_DAC, which the new security no longer grants
    std::vector<BYTE> saved_;
    bool active_ = false;
};
