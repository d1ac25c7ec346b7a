#include "engine/OwnedFlag.h"

#include "engine/FlagOwnership.h"

namespace {

FlagKeyState ReadState(const RegKey& key, const OwnedFlag& flag) {
    FlagKeyState state;
    state.exists = true;
    DWORD number = 0;
    LONG status = key.QueryDword(flag.valueName, number);
    if (status == ERROR_SUCCESS)
        state.flags = number;
    else
        state.flagsUnreadable = status != ERROR_FILE_NOT_FOUND;
    const bool recordStored = key.HasValue(kOwnerRecordName);
    if (key.QueryDword(kOwnerRecordName, number) == ERROR_SUCCESS) state.record = ParseOwnerRecord(number);

    DWORD values = 0;
    DWORD subkeys = 0;
    if (key.CountContents(values, subkeys) != ERROR_SUCCESS) {
        state.holdsOtherData = true;  // cannot tell: never delete what we cannot see
    } else {
        const DWORD ours = (key.HasValue(flag.valueName) ? 1 : 0) + (recordStored ? 1 : 0);
        state.holdsOtherData = subkeys != 0 || values > ours;
    }
    return state;
}

LONG Carry(const RegKey& key, const FlagPlan& plan, const OwnedFlag& flag) {
    LONG status = ERROR_SUCCESS;
    auto note = [&status](LONG result) {
        if (status == ERROR_SUCCESS) status = result;
    };
    if (plan.writeFlags) note(key.WriteDword(flag.valueName, *plan.writeFlags));
    if (plan.deleteFlags) note(key.DeleteValue(flag.valueName));
    // The record follows the flag: written only once the bit is in, so that a refused
    // write never leaves a claim on a key we did not change.
    if (plan.writeRecord && status == ERROR_SUCCESS) note(key.WriteDword(kOwnerRecordName, *plan.writeRecord));
    if (plan.deleteRecord) note(key.DeleteValue(kOwnerRecordName));
    return status;
}

}  // namespace

LONG SetOwnedFlag(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view) {
    RegKey key;
    DWORD disposition = 0;
    LONG status = key.Create(parent.Handle(), subkey.c_str(), view, &disposition);
    if (status != ERROR_SUCCESS) return status;
    FlagKeyState state;
    if (disposition == REG_OPENED_EXISTING_KEY) state = ReadState(key, flag);
    const FlagPlan plan = PlanSetFlag(state, flag.bit);
    status = Carry(key, plan, flag);
    if (status != ERROR_SUCCESS) {
        // A key we made but could not fill is not left behind empty.
        if (plan.createKey) {
            key.Close();
            parent.DeleteSubkey(subkey.c_str(), view);
        }
        return status;
    }
    return FlagInForce(state, plan, flag.bit) ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

void ClearOwnedFlag(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view) {
    RegKey key;
    if (key.Open(parent.Handle(), subkey.c_str(), RegKey::kReadWriteAccess | view) != ERROR_SUCCESS) return;
    const FlagPlan plan = PlanClearFlag(ReadState(key, flag), flag.bit);
    if (plan.deleteKey) {
        key.Close();
        parent.DeleteSubkey(subkey.c_str(), view);
        return;
    }
    Carry(key, plan, flag);
}
