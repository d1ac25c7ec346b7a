#include "engine/BlockingEngine.h"

#include "engine/OwnedFlag.h"
#include "engine/PolicyTargets.h"
#include "settings/RegKey.h"
#include "settings/SettingsStore.h"

#include <iterator>
#include <unordered_map>
#include <vector>

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

constexpr OwnedFlag kKillBit{kKillBitValueName, kKillBitFlag};
constexpr OwnedFlag kAddonDisabled{kAddonFlagsValueName, kAddonDisabledFlag};

// The parents of the kill-bit keys (one per view) and of the per-user add-on keys, opened
// once for a whole walk over the list.
class ControlFlagParents {
public:
    enum class Purpose { Set, Clear };

    explicit ControlFlagParents(Purpose purpose) : purpose_(purpose) {}

    // Blocks the control machine-wide in both views and for this user; answers false when
    // the machine-wide kill bit was refused in a view.
    bool Set(const std::string& classId) {
        OpenOnce();
        const std::string name = KillBitKeyName(classId);
        bool machineWide = true;
        for (std::size_t i = 0; i < std::size(kKillBitViews); ++i) {
            LONG status = machine_[i].IsOpen() ? SetOwnedFlag(machine_[i], name, kKillBit, kKillBitViews[i])
                                               : machineStatus_[i];
            // A flags value that is not a number was left alone on purpose; anything else
            // is a refusal.
            if (status != ERROR_SUCCESS && status != ERROR_INVALID_DATA) machineWide = false;
        }
        if (user_.IsOpen()) SetOwnedFlag(user_, name, kAddonDisabled, 0);
        return machineWide;
    }

    void Clear(const std::string& classId) {
        OpenOnce();
        const std::string name = KillBitKeyName(classId);
        for (std::size_t i = 0; i < std::size(kKillBitViews); ++i)
            if (machine_[i].IsOpen()) ClearOwnedFlag(machine_[i], name, kKillBit, kKillBitViews[i]);
        if (user_.IsOpen()) ClearOwnedFlag(user_, name, kAddonDisabled, 0);
    }

private:
    // Opened at the first control, so that a walk over an empty list opens nothing and
    // creates no parent key.
    void OpenOnce() {
        if (opened_) return;
        opened_ = true;
        const bool set = purpose_ == Purpose::Set;
        for (std::size_t i = 0; i < std::size(kKillBitViews); ++i) {
            machineStatus_[i] = set ? machine_[i].Create(HKEY_LOCAL_MACHINE, kKillBitParentPath, kKillBitViews[i])
                                    : machine_[i].Open(HKEY_LOCAL_MACHINE, kKillBitParentPath,
                                                       RegKey::kReadWriteAccess | kKillBitViews[i]);
        }
        if (set)
            user_.Create(HKEY_CURRENT_USER, kAddonSettingsPath);
        else
            user_.Open(HKEY_CURRENT_USER, kAddonSettingsPath, RegKey::kReadWriteAccess);
    }

    Purpose purpose_;
    bool opened_ = false;
    RegKey machine_[std::size(kKillBitViews)];
    LONG machineStatus_[std::size(kKillBitViews)] = {};
    RegKey user_;
};

// One kill-bit key name per control, in list order, and whether it must block.
struct ControlKey {
    std::string name;
    bool wanted;
};

// Key names ignore case, so entries that differ only in case share one key.
std::string FoldedKeyName(std::string name) {
    if (!name.empty()) ::CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

std::vector<ControlKey> ControlKeys(const Selection& selection, bool blocking) {
    std::vector<ControlKey> keys;
    std::unordered_map<std::string, std::size_t> seen;
    const BlockList& items = selection.Items();
    keys.reserve(items.size());
    seen.reserve(items.size());
    for (const BlockItem& item : items) {
        std::string name = KillBitKeyName(item.classId);
        const bool wanted = blocking && selection.IsChecked(item);
        auto [at, added] = seen.emplace(FoldedKeyName(name), keys.size());
        if (added)
            keys.push_back(ControlKey{std::move(name), wanted});
        else if (wanted)
            keys[at->second].wanted = true;
    }
    return keys;
}

// Brings every key below one parent to its end state. The parent is created only when
// something is to be set, as a step-by-step apply would; answers the first refusal of a
// wanted flag.
LONG PutFlagsInForce(HKEY root, const char* parentPath, REGSAM view, const OwnedFlag& flag,
                     const std::vector<ControlKey>& keys, bool anyWanted) {
    RegKey parent;
    LONG status = anyWanted ? parent.Create(root, parentPath, view)
                            : parent.Open(root, parentPath, RegKey::kReadWriteAccess | view);
    if (status != ERROR_SUCCESS) return anyWanted ? status : ERROR_SUCCESS;
    LONG refused = ERROR_SUCCESS;
    for (const ControlKey& key : keys) {
        status = PutOwnedFlagInForce(parent, key.name, flag, view, key.wanted);
        // A flags value that is not a number was left alone on purpose.
        if (status != ERROR_SUCCESS && status != ERROR_INVALID_DATA && refused == ERROR_SUCCESS) refused = status;
    }
    return refused;
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

PolicyReport EnforcePolicy(Settings& settings, const Selection& selection, PolicyMode mode) {
    const bool blocking = mode == PolicyMode::Blocking;
    const std::uint32_t choice = selection.ScriptingIndex();
    for (const PolicyTarget& target : kPolicyTargets) {
        if (!blocking)
            WriteTarget(target, target.neutral);
        else if (target.trigger == PolicyTrigger::ScriptingChoice)
            WriteTarget(target, PolicyData{ScriptingPolicyValue(choice), nullptr});
        else
            WriteTarget(target, selection.IsChecked(target.category) ? target.blocking : target.neutral);
    }
    if (blocking) settings.scriptingChoice = choice;

    // A listed Flash entry says whether Flash is blocked; without one the setting stays.
    bool flashListed = false;
    bool flashChecked = false;
    for (const BlockItem& item : selection.Items()) {
        if (!IsFlashClassId(item.classId)) continue;
        flashListed = true;
        if (blocking && selection.IsChecked(item)) flashChecked = true;
    }
    if (flashListed) settings.flashBlocked = flashChecked ? 1 : 0;

    PolicyReport report;
    const std::vector<ControlKey> keys = ControlKeys(selection, blocking);
    if (keys.empty()) return report;
    bool anyWanted = false;
    for (const ControlKey& key : keys) anyWanted = anyWanted || key.wanted;
    for (REGSAM view : kKillBitViews)
        if (PutFlagsInForce(HKEY_LOCAL_MACHINE, kKillBitParentPath, view, kKillBit, keys, anyWanted) != ERROR_SUCCESS)
            report.machineWideRefused = true;
    PutFlagsInForce(HKEY_CURRENT_USER, kAddonSettingsPath, 0, kAddonDisabled, keys, anyWanted);
    return report;
}

void WithdrawPolicy(Settings& settings, const Selection& selection) {
    EnforcePolicy(settings, selection, PolicyMode::Withdrawn);
}

PolicyReport ApplyPolicy(Settings& settings, const Selection& selection) {
    const std::uint32_t choice = selection.ScriptingIndex();
    for (const PolicyTarget& target : kPolicyTargets) {
        if (target.trigger == PolicyTrigger::ScriptingChoice)
            WriteTarget(target, PolicyData{ScriptingPolicyValue(choice), nullptr});
        else if (selection.IsChecked(target.category))
            WriteTarget(target, target.blocking);
    }
    settings.scriptingChoice = choice;

    PolicyReport report;
    ControlFlagParents parents(ControlFlagParents::Purpose::Set);
    for (const BlockItem& item : selection.Items()) {
        if (!selection.IsChecked(item)) continue;
        if (IsFlashClassId(item.classId)) settings.flashBlocked = 1;
        if (!parents.Set(item.classId)) report.machineWideRefused = true;
    }
    return report;
}

PolicyReport ApplyFlashChoice(Settings& settings, Selection& selection) {
    const bool blocked = settings.flashBlocked != 0;
    WithSelectionKey([&](const RegKey& key) { key.WriteString(kFlashClassId, blocked ? "yes" : "no"); });

    for (const BlockItem& item : selection.Items()) {
        if (IsFlashClassId(item.classId)) {
            selection.SetChecked(item, blocked);
            break;
        }
    }

    PolicyReport report;
    if (settings.switchedOff) return report;
    if (blocked)
        report.machineWideRefused = !ControlFlagParents(ControlFlagParents::Purpose::Set).Set(kFlashClassId);
    else
        ControlFlagParents(ControlFlagParents::Purpose::Clear).Clear(kFlashClassId);
    return report;
}

void ApplyScriptingChoice(Settings& settings, Selection& selection) {
    const std::uint32_t choice = settings.scriptingChoice;
    WithSelectionKey([&](const RegKey& key) { key.WriteDword(kScriptingValue, choice); });

    if (selection.IsBuilt()) selection.SetScriptingIndex(choice);

    if (!settings.switchedOff) WriteScriptingPolicy(choice);
}
