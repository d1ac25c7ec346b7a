#include "engine/BlockingEngine.h"

#include "engine/PolicyTargets.h"
#include "settings/RegKey.h"
#include "settings/SettingsStore.h"

namespace {

// 64-bit Windows keeps HKLM\SOFTWARE twice, and the browser reads the view of its own
// bitness. A kill bit written to only one view leaves the control running in the other
// browser, so every kill-bit key is created and deleted in both.
constexpr REGSAM kKillBitViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

void WriteData(const RegKey& key, const char* name, PolicyValueType type, const PolicyData& data) {
    if (type == PolicyValueType::Dword)
        key.WriteDword(name, data.number);
    else
        key.WriteString(name, data.text);
}

// One open, the row's values, one close. A missing key skips the row: the browser's keys
// are never created here.
void WriteTarget(const PolicyTarget& target, const PolicyData& data) {
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, target.keyPath, RegKey::kWriteAccess) != ERROR_SUCCESS) return;
    for (const char* name : target.values)
        if (name) WriteData(key, name, target.type, data);
}

void SetKillBit(const std::string& classId) {
    const std::string path = KillBitKeyPath(classId);
    for (REGSAM view : kKillBitViews) {
        RegKey key;
        if (key.Create(HKEY_LOCAL_MACHINE, path.c_str(), view) == ERROR_SUCCESS)
            key.WriteDword(kKillBitValueName, kKillBitFlag);
    }
}

void RemoveKillBit(const std::string& classId) {
    const std::string name = KillBitKeyName(classId);
    for (REGSAM view : kKillBitViews) {
        RegKey parent;
        if (parent.Open(HKEY_LOCAL_MACHINE, kKillBitParentPath, RegKey::kWriteAccess | view) == ERROR_SUCCESS)
            parent.DeleteSubkey(name.c_str(), view);
    }
}

template <class Write>
void WithSelectionKey(Write write) {
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, kSelectionKey) == ERROR_SUCCESS) write(key);
}

void WriteScriptingPolicy(std::uint32_t choice) {
    for (const PolicyTarget& target : kPolicyTargets)
        if (target.trigger == PolicyTrigger::ScriptingChoice)
            WriteTarget(target, PolicyData{ScriptingPolicyValue(choice), nullptr});
}

}  // namespace

void WithdrawPolicy(Settings& settings, const Selection& selection) {
    for (const PolicyTarget& target : kPolicyTargets) WriteTarget(target, target.neutral);

    for (const BlockItem& item : selection.Items()) {
        if (IsFlashClassId(item.classId)) settings.flashBlocked = 0;
        RemoveKillBit(item.classId);
    }
}

void ApplyPolicy(Settings& settings, const Selection& selection) {
    const std::uint32_t choice = selection.ScriptingIndex();
    for (const PolicyTarget& target : kPolicyTargets) {
        if (target.trigger == PolicyTrigger::ScriptingChoice)
            WriteTarget(target, PolicyData{ScriptingPolicyValue(choice), nullptr});
        else if (selection.IsChecked(target.category))
            WriteTarget(target, target.blocking);
    }
    settings.scriptingChoice = choice;

    for (const BlockItem& item : selection.Items()) {
        if (!selection.IsChecked(item)) continue;
        if (IsFlashClassId(item.classId)) settings.flashBlocked = 1;
        SetKillBit(item.classId);
    }
}

void ApplyFlashChoice(Settings& settings, Selection& selection) {
    const bool blocked = settings.flashBlocked != 0;
    WithSelectionKey([&](const RegKey& key) { key.WriteString(kFlashClassId, blocked ? "yes" : "no"); });

    for (const BlockItem& item : selection.Items()) {
        if (IsFlashClassId(item.classId)) {
            selection.SetChecked(item, blocked);
            break;
        }
    }

    if (settings.switchedOff) return;
    if (blocked)
        SetKillBit(kFlashClassId);
    else
        RemoveKillBit(kFlashClassId);
}

void ApplyScriptingChoice(Settings& settings, Selection& selection) {
    const std::uint32_t choice = settings.scriptingChoice;
    WithSelectionKey([&](const RegKey& key) { key.WriteDword(kScriptingValue, choice); });

    if (selection.IsBuilt()) selection.SetScriptingIndex(choice);

    if (!settings.switchedOff) WriteScriptingPolicy(choice);
}
