#pragma once
// Carries out the ownership plans of FlagOwnership.h on the registry: one flag key below an
// open parent, in one registry view.
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

// Brings `parent`\`subkey` to the state that ClearOwnedFlag and then, when `wanted`,
// SetOwnedFlag would leave, reading the key once and writing only what differs. Answers as
// SetOwnedFlag does when `wanted`, and ERROR_SUCCESS otherwise.
LONG PutOwnedFlagInForce(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view,
                         bool wanted);

// Takes out what our record in `parent`\`subkey` says we set; a key without our record is
// not touched.
void ClearOwnedFlag(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view);
