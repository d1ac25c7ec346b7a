#pragma once
// Carries out the ownership plans of FlagOwnership.h on the registry: one flag key below an
// open parent, in one registry view.
#include "engine/FlagOwnership.h"
#include "settings/RegKey.h"

#include <cstdint>
#include <string>

struct OwnedFlag {
    const char* valueName;  // the REG_DWORD that holds the bit
    std::uint32_t bit;
};

// Sets the flag in `parent`\`subkey`, creating the key when it is missing. Answers
// ERROR_SUCCESS when the bit is in force afterwards, ours or someone else's; a Win32 error
// when a write was refused; ERROR_INVALID_DATA when the key's flags value is not a number
// and was left alone.
LONG SetOwnedFlag(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view);

// Reads the key below `parent` into `state` (a missing key reads as not existing), and
// leaves it open in `key` for the writes that follow. Answers the error when the key exists
// but may not be changed; nothing is then to be written there.
LONG ReadOwnedFlagKey(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view,
                      RegKey& key, FlagKeyState& state);

// Carries out `plan` on the key below `parent`, through `key` when it is open already. A key
// the plan created is taken out again when filling it fails.
LONG CarryOwnedFlagPlan(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view,
                        const FlagPlan& plan, RegKey& key);

// Takes out what our record in `parent`\`subkey` says we set; a key without our record is
// not touched.
void ClearOwnedFlag(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view);
