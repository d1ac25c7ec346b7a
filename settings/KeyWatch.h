#pragma once
// Tells whether anything below a registry key changed since it was armed: a value, a
// subkey, a subkey's values, the key's security, or the key itself deleted and made anew.
// It lets a caller trust what it read or wrote there last instead of reading it again.
#include "settings/RegKey.h"
#include "win/UniqueHandle.h"

class KeyWatch {
public:
    KeyWatch() = default;
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;

    // Starts watching the key `key` is open on, through a handle of its own; `view` names
    // the registry view the key was opened in. False when the registry refused.
    bool Arm(const RegKey& key, REGSAM view = 0);
    // True unless armed and nothing changed since; `key` is the watched key opened anew,
    // whose write time tells a key made anew from the one watched.
    bool Changed(const RegKey& key) const;
    void Disarm() noexcept;

private:
    RegKey watched_;  // the notification lives as long as this handle
    UniqueKernelHandle changed_;
    FILETIME written_{};
};
