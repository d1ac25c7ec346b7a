#include "engine/BlockingEngine.h"

#include "engine/KnownKeys.h"
#include "engine/OwnedFlag.h"
#include "engine/PolicyTargets.h"
#include "engine/ValueRestore.h"
#include "settings/RegKey.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <unordered_set>
#include <vector>

namespace {

// The per-user add-on parent is the one parent key a user's system may well not have: when
// Hushbar creates it, a value in Hushbar's own key says so, and the clean-up may take it out
// again once it is empty. A parent that was there before is never recorded.
void NoteCreatedParent(HKEY root, const char* path, DWORD disposition) {
    if (disposition != REG_CREATED_NEW_KEY || root != HKEY_CURRENT_USER || std::strcmp(path, kAddonSettingsPath) != 0)
        return;
    RegKey product;
    if (product.Create(HKEY_CURRENT_USER, kProductKey) == ERROR_SUCCESS) product.WriteDword(kCreatedAddonParentValue, 1);
}

// 64-bit Windows keeps HKLM\SOFTWARE twice, and the browser reads the view of its own
// bitness. A kill bit written to only one view leaves the control running in the other
// browser, so every kill-bit key is created and deleted in both.
constexpr REGSAM kKillBitViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

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
    bool Set(std::string_view classId) {
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
        if (set) {
            DWORD disposition = 0;
            user_.Create(HKEY_CURRENT_USER, kAddonSettingsPath, 0, &disposition);
            NoteCreatedParent(HKEY_CURRENT_USER, kAddonSettingsPath, disposition);
        }
        else
            user_.Open(HKEY_CURRENT_USER, kAddonSettingsPath, RegKey::kReadWriteAccess);
    }

    Purpose purpose_;
    bool opened_ = false;
    RegKey machine_[std::size(kKillBitViews)];
    LONG machineStatus_[std::size(kKillBitViews)] = {};
    RegKey user_;
};

// One kill-bit key per control, in list order: the first entry that names it, and whether
// it must block. Names are made where they are used, so a long list costs little memory.
struct ControlKey {
    std::uint32_t item;
    bool wanted;
};

// Key names ignore case, so entries that differ only in case share one key.
std::string FoldedKeyName(std::string name) {
    if (!name.empty()) ::CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

std::uint64_t NameHash(const std::string& folded) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : folded) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

struct ControlKeys {
    std::vector<ControlKey> keys;
    std::uint64_t namesHash = 0;  // of the folded names in order: tells one list from another
    bool anyWanted = false;
};

ControlKeys ListControlKeys(const Selection& selection, bool blocking) {
    ControlKeys list;
    const BlockList& items = selection.Items();
    const auto count = static_cast<std::uint32_t>(items.size());
    const auto folded = [&items](std::uint32_t index) { return FoldedKeyName(KillBitKeyName(items[index].classId())); };
    // Entries by the hash of their key's name, and then in list order: entries that name one
    // key meet in a run of equal hashes, the first of them first. Two flat arrays, where a
    // hash map took a node per entry that the heap kept for the life of the process.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> byHash(count);
    for (std::uint32_t index = 0; index < count; ++index)
        byHash[index] = {NameHash(folded(index)), index};
    std::sort(byHash.begin(), byHash.end());
    // Per entry: the first entry that names its key; then, in place, that key's position.
    std::vector<std::uint32_t> keyOf(count);
    for (std::uint32_t index = 0; index < count; ++index) keyOf[index] = index;
    for (std::size_t run = 0; run < byHash.size();) {
        std::size_t end = run + 1;
        while (end < byHash.size() && byHash[end].first == byHash[run].first) ++end;
        for (std::size_t later = run + 1; later < end; ++later) {
            const std::string name = folded(byHash[later].second);
            for (std::size_t earlier = run; earlier < later; ++earlier) {
                const std::uint32_t first = byHash[earlier].second;
                if (keyOf[first] == first && folded(first) == name) {
                    keyOf[byHash[later].second] = first;
                    break;
                }
            }
        }
        run = end;
    }
    list.keys.reserve(count);
    std::uint64_t sequence = 14695981039346656037ull;
    for (std::uint32_t index = 0; index < count; ++index) {
        const bool wanted = blocking && selection.IsChecked(items[index]);
        list.anyWanted = list.anyWanted || wanted;
        if (keyOf[index] != index) {  // a later entry of a key already listed
            keyOf[index] = keyOf[keyOf[index]];
            list.keys[keyOf[index]].wanted = list.keys[keyOf[index]].wanted || wanted;
            continue;
        }
        keyOf[index] = static_cast<std::uint32_t>(list.keys.size());
        list.keys.push_back(ControlKey{index, wanted});
        sequence = (sequence ^ NameHash(folded(index))) * 1099511628211ull;
    }
    list.namesHash = sequence;
    return list;
}

// The subkeys of `parent`, folded, when there are few enough that listing them costs less
// than asking for each listed key in turn; false when they were not listed.
bool ListSubkeys(const RegKey& parent, std::size_t listed, std::unordered_set<std::string>& names) {
    DWORD count = 0;
    DWORD longest = 0;
    if (::RegQueryInfoKeyA(parent.Handle(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        count > listed)
        return false;
    std::vector<char> name(longest * 2 + 2);
    names.reserve(count);
    for (DWORD index = 0; index < count; ++index) {
        DWORD size = static_cast<DWORD>(name.size());
        const LONG status =
            ::RegEnumKeyExA(parent.Handle(), index, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return false;
        names.insert(FoldedKeyName(std::string(name.data(), size)));
    }
    return true;
}

// Brings every listed key below one parent to its end state, reading each at most once and
// not at all while the last pass's picture still holds. The parent is created only when
// something is to be set, as a step-by-step apply would; answers the first refusal of a
// wanted flag.
// `foreign`, when given, collects the class ids whose flag is set without our record, and is
// reset when not every key could be seen.
LONG PutFlagsInForce(HKEY root, const char* parentPath, REGSAM view, const OwnedFlag& flag, const BlockList& items,
                     const ControlKeys& list, KnownKeys& known,
                     std::optional<std::unordered_set<std::string>>* foreign = nullptr) {
    RegKey parent;
    DWORD disposition = 0;
    LONG status = list.anyWanted ? parent.Create(root, parentPath, view, &disposition)
                                 : parent.Open(root, parentPath, RegKey::kReadWriteAccess | view);
    NoteCreatedParent(root, parentPath, disposition);
    if (status != ERROR_SUCCESS) {
        known.Forget();
        if (foreign) foreign->reset();
        return list.anyWanted ? status : ERROR_SUCCESS;
    }
    const bool before = known.StillTrue(parent, list.namesHash);
    std::unordered_set<std::string> present;
    const bool presentListed = !before && ListSubkeys(parent, list.keys.size(), present);

    KnownKeys::Picture after(list.keys.size());
    bool exact = true;
    bool wrote = false;
    LONG refused = ERROR_SUCCESS;
    for (std::size_t index = 0; index < list.keys.size(); ++index) {
        const ControlKey& entry = list.keys[index];
        const std::string name = KillBitKeyName(items[entry.item].classId());
        RegKey key;
        FlagKeyState state;
        if (before)
            state = known.State(index);
        else if (!presentListed || present.count(FoldedKeyName(name)))
            status = ReadOwnedFlagKey(parent, name, flag, view, key, state);
        if (status == ERROR_SUCCESS) {
            const FlagPlan plan = PlanInForce(state, entry.wanted, flag.bit);
            wrote = wrote || !plan.WritesNothing();
            status = CarryOwnedFlagPlan(parent, name, flag, view, plan, key);
            after.Set(index, AfterPlan(state, plan));
        }
        if (status != ERROR_SUCCESS) {
            // A key we may not change is left as it is, and our picture of it is unsure.
            exact = false;
            if (entry.wanted && refused == ERROR_SUCCESS) refused = status;
            status = ERROR_SUCCESS;
        }
    }
    if (foreign && !exact) foreign->reset();
    if (foreign && *foreign)
        for (std::size_t index = 0; index < list.keys.size(); ++index)
            if (const FlagKeyState now = after.Get(index); now.flags && (*now.flags & flag.bit) && !now.record)
                (*foreign)->insert(std::string(items[list.keys[index].item].classId()));
    if (!exact)
        known.Forget();
    else if (wrote || !before)
        known.Remember(parent, view, list.namesHash, std::move(after));
    return refused;
}

// One picture per parent for the life of the process: the kill bits in each view, the
// add-on flags of this user.
struct KnownParents {
    KnownKeys killBits[std::size(kKillBitViews)];
    KnownKeys addons;
};

KnownParents& Known() {
    static KnownParents known;
    return known;
}

template <class Write>
void WithSelectionKey(Write write) {
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, kSelectionKey) == ERROR_SUCCESS) write(key);
}

void WriteScriptingPolicy(std::uint32_t choice) {
    for (const PolicyTarget& target : kPolicyTargets)
        if (target.trigger == PolicyTrigger::ScriptingChoice) {
            const PolicyData data{ScriptingPolicyValue(choice), nullptr};
            PutTargetValue(target, &data);
        }
}

}  // namespace

PolicyReport EnforcePolicy(Settings& settings, const Selection& selection, PolicyMode mode) {
    const bool blocking = mode == PolicyMode::Blocking;
    const std::uint32_t choice = selection.ScriptingIndex();
    for (const PolicyTarget& target : kPolicyTargets) {
        const PolicyData scripting{ScriptingPolicyValue(choice), nullptr};
        if (!blocking)
            PutTargetValue(target, nullptr);
        else if (target.trigger == PolicyTrigger::ScriptingChoice)
            PutTargetValue(target, &scripting);
        else
            PutTargetValue(target, selection.IsChecked(target.category) ? &target.blocking : nullptr);
    }
    if (blocking) settings.scriptingChoice = choice;

    // A listed Flash entry says whether Flash is blocked; without one the setting stays.
    bool flashListed = false;
    bool flashChecked = false;
    for (const BlockItem& item : selection.Items()) {
        if (!IsFlashClassId(item.classId())) continue;
        flashListed = true;
        if (blocking && selection.IsChecked(item)) flashChecked = true;
    }
    if (flashListed) settings.flashBlocked = flashChecked ? 1 : 0;

    PolicyReport report;
    const ControlKeys list = ListControlKeys(selection, blocking);
    if (list.keys.empty()) return report;
    report.foreignKillBits.emplace();
    for (std::size_t i = 0; i < std::size(kKillBitViews); ++i)
        if (PutFlagsInForce(HKEY_LOCAL_MACHINE, kKillBitParentPath, kKillBitViews[i], kKillBit, selection.Items(),
                            list, Known().killBits[i], &report.foreignKillBits) != ERROR_SUCCESS)
            report.machineWideRefused = true;
    PutFlagsInForce(HKEY_CURRENT_USER, kAddonSettingsPath, 0, kAddonDisabled, selection.Items(), list,
                    Known().addons);
    return report;
}

void WithdrawPolicy(Settings& settings, const Selection& selection) {
    EnforcePolicy(settings, selection, PolicyMode::Withdrawn);
}

PolicyReport ApplyPolicy(Settings& settings, const Selection& selection) {
    const std::uint32_t choice = selection.ScriptingIndex();
    for (const PolicyTarget& target : kPolicyTargets) {
        const PolicyData scripting{ScriptingPolicyValue(choice), nullptr};
        if (target.trigger == PolicyTrigger::ScriptingChoice)
            PutTargetValue(target, &scripting);
        else if (selection.IsChecked(target.category))
            PutTargetValue(target, &target.blocking);
    }
    settings.scriptingChoice = choice;

    PolicyReport report;
    ControlFlagParents parents(ControlFlagParents::Purpose::Set);
    for (const BlockItem& item : selection.Items()) {
        if (!selection.IsChecked(item)) continue;
        if (IsFlashClassId(item.classId())) settings.flashBlocked = 1;
        if (!parents.Set(item.classId())) report.machineWideRefused = true;
    }
    return report;
}

PolicyReport ApplyFlashChoice(Settings& settings, Selection& selection) {
    const bool blocked = settings.flashBlocked != 0;
    WithSelectionKey([&](const RegKey& key) { key.WriteString(kFlashClassId, blocked ? "yes" : "no"); });

    for (const BlockItem& item : selection.Items()) {
        if (IsFlashClassId(item.classId())) {
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

bool RemoveCreatedAddonParent() {
    RegKey product;
    DWORD created = 0;
    if (product.Open(HKEY_CURRENT_USER, kProductKey, RegKey::kReadAccess) != ERROR_SUCCESS ||
        product.QueryDword(kCreatedAddonParentValue, created) != ERROR_SUCCESS || created != 1)
        return false;
    RegKey parent;
    DWORD values = 0, subkeys = 0;
    if (parent.Open(HKEY_CURRENT_USER, kAddonSettingsPath, RegKey::kReadAccess) != ERROR_SUCCESS ||
        parent.CountContents(values, subkeys) != ERROR_SUCCESS || values != 0 || subkeys != 0)
        return false;
    parent.Close();
    return ::RegDeleteKeyA(HKEY_CURRENT_USER, kAddonSettingsPath) == ERROR_SUCCESS;
}
