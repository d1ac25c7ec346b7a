#include "engine/OwnedFlag.h"

#include "engine/FlagOwnership.h"

#include <cstring>
#include <vector>

namespace {

// Up to this many values a key is read by enumerating them, each value one call that
// brings its name, type and data; a fuller key is read value by value.
constexpr DWORD kEnumeratedValues = 4;

FlagKeyState ReadStateByName(const RegKey& key, const OwnedFlag& flag) {
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

// Value names ignore case, as the registry does for the ASCII names compared here.
bool SameName(const char* a, const char* b) { return ::_stricmp(a, b) == 0; }

// The same state as ReadStateByName, in fewer calls for the usual key of two values.
FlagKeyState ReadState(const RegKey& key, const OwnedFlag& flag) {
    DWORD subkeys = 0;
    DWORD values = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (::RegQueryInfoKeyA(key.Handle(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, &longestName,
                           &longestData, nullptr, nullptr) != ERROR_SUCCESS ||
        values > kEnumeratedValues)
        return ReadStateByName(key, flag);

    FlagKeyState state;
    state.exists = true;
    state.holdsOtherData = subkeys != 0;
    // Lengths come in characters; an ANSI name may take more bytes than that.
    std::vector<char> name(longestName * 2 + 2);
    std::vector<BYTE> data(longestData < sizeof(DWORD) ? sizeof(DWORD) : longestData);
    for (DWORD index = 0; index < values; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG status =
            ::RegEnumValueA(key.Handle(), index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        // Changed under us, or a name this buffer cannot hold: read it the long way.
        if (status != ERROR_SUCCESS) return ReadStateByName(key, flag);
        const bool number = type == REG_DWORD && dataSize == sizeof(DWORD);
        DWORD value = 0;
        if (number) std::memcpy(&value, data.data(), sizeof value);
        if (SameName(name.data(), flag.valueName)) {
            if (number)
                state.flags = value;
            else
                state.flagsUnreadable = true;
        } else if (SameName(name.data(), kOwnerRecordName)) {
            if (number) state.record = ParseOwnerRecord(value);
        } else {
            state.holdsOtherData = true;
        }
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

LONG ReadOwnedFlagKey(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view,
                      RegKey& key, FlagKeyState& state) {
    state = FlagKeyState{};
    const LONG status = key.Open(parent.Handle(), subkey.c_str(), RegKey::kReadWriteAccess | view);
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    state = ReadState(key, flag);
    return ERROR_SUCCESS;
}

LONG CarryOwnedFlagPlan(const RegKey& parent, const std::string& subkey, const OwnedFlag& flag, REGSAM view,
                        const FlagPlan& plan, RegKey& key) {
    if (plan.WritesNothing()) return ERROR_SUCCESS;
    if (plan.deleteKey) {
        key.Close();
        const LONG status = parent.DeleteSubkey(subkey.c_str(), view);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    LONG status = ERROR_SUCCESS;
    if (plan.createKey)
        status = key.Create(parent.Handle(), subkey.c_str(), view);
    else if (!key.IsOpen())
        status = key.Open(parent.Handle(), subkey.c_str(), RegKey::kReadWriteAccess | view);
    if (status != ERROR_SUCCESS) return status;
    status = Carry(key, plan, flag);
    if (status != ERROR_SUCCESS && plan.createKey) {
        key.Close();
        parent.DeleteSubkey(subkey.c_str(), view);
    }
    return status;
}
