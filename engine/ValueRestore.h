#pragma once
// Putting back a display option or zone value the way it was before Hushbar first wrote
// over it. The first blocking write records the value that was there (or that there was
// none) in Hushbar's own key; taking the block out puts that back, but only while the value
// still holds what Hushbar wrote: a change someone made meanwhile stays. Where nothing is
// recorded (a machine an older Hushbar ran on) the fixed neutral value is written as
// before. Plain plans over what was read; PutTargetValue carries them out.
#include "engine/PolicyState.h"
#include "engine/PolicyTargets.h"

#include <optional>

// Below HKEY_CURRENT_USER: one subkey per browser key, value "<name>" holding the previous
// value (REG_NONE, empty: there was none) and "<name> written" what Hushbar wrote.
constexpr char kRestoreKeyPath[] = "Software\\Corvane\\Hushbar\\Restore";
constexpr char kWrittenSuffix[] = " written";
constexpr std::uint32_t kRegNone = 0;

struct RestoreRecord {
    bool valid = false;
    StoredValue previous;  // not present: the value did not exist
    StoredValue written;
};

// A record as stored, valid only when both values are of the target's type (the previous
// one may also be the empty REG_NONE that says there was none).
RestoreRecord ParseRestoreRecord(const StoredValue& previous, const StoredValue& written, PolicyValueType type);

struct ValuePlan {
    std::optional<StoredValue> write;
    bool deleteValue = false;
    std::optional<RestoreRecord> writeRecord;
    bool deleteRecord = false;
};

// Same type and content; text compares without its terminating zeros.
bool SameValue(const StoredValue& a, const StoredValue& b);

// Puts `blocking` in force and records, the first time, what was there.
ValuePlan PlanBlockValue(const StoredValue& current, const RestoreRecord& record, const StoredValue& blocking,
                         PolicyValueType type);

// Takes the block out: the recorded value back while ours still holds, else `neutral`
// without a record. `recordStored` says something, valid or not, is stored to delete.
ValuePlan PlanRestoreValue(const StoredValue& current, const RestoreRecord& record, bool recordStored,
                           const StoredValue& neutral);

StoredValue TargetValue(const PolicyTarget& target, const PolicyData& data);

// Carries the plan out for every value of `target`: blocking when `blocking` is given,
// restoring otherwise. The browser's key is never created; a missing one skips the row.
void PutTargetValue(const PolicyTarget& target, const PolicyData* blocking);
