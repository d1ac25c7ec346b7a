#include "engine/ValueRestore.h"

#include "engine/PolicyLayers.h"
#include "settings/RegKey.h"

#include <cstring>
#include <string>

namespace {

constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4;

bool IsText(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

bool OfType(const StoredValue& value, PolicyValueType type) {
    if (!value.present) return false;
    if (type == PolicyValueType::Dword) return value.type == kRegDword && value.bytes.size() == 4;
    return IsText(value.type);
}

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

// A value we may record as what was there: none, or one of the target's own type.
bool Recordable(const StoredValue& value, PolicyValueType type) { return !value.present || OfType(value, type); }

void Store(const RegKey& key, const std::string& name, const StoredValue& value) {
    ::RegSetValueExA(key.Handle(), name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                     static_cast<DWORD>(value.bytes.size()));
}

std::string RecordPath(const PolicyTarget& target) {
    return std::string(kRestoreKeyPath) + (std::strcmp(target.keyPath, kBrowserMainKeyPath) == 0 ? "\\Main" : "\\Zone3");
}

}  // namespace

RestoreRecord ParseRestoreRecord(const StoredValue& previous, const StoredValue& written, PolicyValueType type) {
    RestoreRecord record;
    if (!OfType(written, type)) return record;
    if (previous.present && previous.type == kRegNone && previous.bytes.empty())
        record.previous = StoredValue{};
    else if (OfType(previous, type))
        record.previous = previous;
    else
        return record;
    record.valid = true;
    record.written = written;
    return record;
}

bool SameValue(const StoredValue& a, const StoredValue& b) {
    if (a.present != b.present) return false;
    if (!a.present) return true;
    if (IsText(a.type) && IsText(b.type)) return Trimmed(a.bytes) == Trimmed(b.bytes);
    return a.type == b.type && a.bytes == b.bytes;
}

ValuePlan PlanBlockValue(const StoredValue& current, const RestoreRecord& record, const StoredValue& blocking,
                         PolicyValueType type) {
    ValuePlan plan;
    if (!SameValue(current, blocking)) plan.write = blocking;
    if (!record.valid || !SameValue(current, record.written)) {
        // The first write over it, or someone set it since ours: that is what to put back.
        if (Recordable(current, type)) {
            plan.writeRecord = RestoreRecord{true, current, blocking};
            if (record.valid && SameValue(current, blocking)) plan.writeRecord->previous = record.previous;
        }
    } else if (!SameValue(record.written, blocking)) {
        plan.writeRecord = RestoreRecord{true, record.previous, blocking};
    }
    return plan;
}

ValuePlan PlanRestoreValue(const StoredValue& current, const RestoreRecord& record, bool recordStored,
                           const StoredValue& neutral) {
    ValuePlan plan;
    plan.deleteRecord = recordStored;
    if (!record.valid) {
        if (!SameValue(current, neutral)) plan.write = neutral;
        return plan;
    }
    if (!SameValue(current, record.written)) return plan;  // changed by someone else: theirs stays
    if (!record.previous.present)
        plan.deleteValue = current.present;
    else if (!SameValue(current, record.previous))
        plan.write = record.previous;
    return plan;
}

StoredValue TargetValue(const PolicyTarget& target, const PolicyData& data) {
    return target.type == PolicyValueType::Dword ? DwordValue(data.number) : StringValue(data.text);
}

void PutTargetValue(const PolicyTarget& target, const PolicyData* blocking) {
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, target.keyPath, RegKey::kReadWriteAccess) != ERROR_SUCCESS) return;
    const std::string recordPath = RecordPath(target);
    RegKey records;
    if (blocking)
        records.Create(HKEY_CURRENT_USER, recordPath.c_str());
    else
        records.Open(HKEY_CURRENT_USER, recordPath.c_str(), RegKey::kReadWriteAccess);
    for (const char* name : target.values) {
        if (!name) continue;
        const std::string writtenName = std::string(name) + kWrittenSuffix;
        const StoredValue current = ReadStoredValue(key, name);
        const StoredValue previous = ReadStoredValue(records, name);
        const StoredValue written = ReadStoredValue(records, writtenName.c_str());
        const RestoreRecord record = ParseRestoreRecord(previous, written, target.type);
        const ValuePlan plan =
            blocking ? PlanBlockValue(current, record, TargetValue(target, *blocking), target.type)
                     : PlanRestoreValue(current, record, previous.present || written.present,
                                        TargetValue(target, target.neutral));
        // The record goes in before the value it speaks for, so a failed record never
        // leaves a value we could not put back.
        if (plan.writeRecord && records.IsOpen()) {
            const StoredValue& was = plan.writeRecord->previous;
            Store(records, name, was.present ? was : StoredValue{true, kRegNone, std::string()});
            Store(records, writtenName, plan.writeRecord->written);
        }
        if (plan.write) Store(key, name, *plan.write);
        if (plan.deleteValue) key.DeleteValue(name);
        if (plan.deleteRecord && records.IsOpen()) {
            records.DeleteValue(name);
            records.DeleteValue(writtenName.c_str());
        }
    }
}
