#include "engine/PolicyLayers.h"

#include "engine/OwnedFlag.h"
#include "engine/PolicyTargets.h"
#include "settings/RegKey.h"

#include <algorithm>

namespace {

constexpr char kAddonPolicyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext";
constexpr char kAddonListPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext\\CLSID";
constexpr char kZonePolicyPath[] = "Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
constexpr char kSettingsPolicyPath[] = "Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
// More than any policy word or display option needs.
constexpr DWORD kMaxValueBytes = 256;

}  // namespace

StoredValue ReadStoredValue(const RegKey& key, const char* name) {
    StoredValue value;
    if (!key.IsOpen()) return value;
    DWORD type = 0;
    char buffer[kMaxValueBytes];
    DWORD size = sizeof buffer;
    LONG status = RegQueryValueExA(key.Handle(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    // Too long for any word we read: present, of no type we would record or decide by.
    if (status == ERROR_MORE_DATA) return {true, REG_BINARY, std::string()};
    if (status != ERROR_SUCCESS) return value;
    return {true, type, std::string(buffer, size)};
}

namespace {

// The first view holding the value decides, the 64-bit one before the 32-bit one.
StoredValue ReadMachineValue(const char* path, const char* name) {
    for (REGSAM view : kViews) {
        RegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, path, RegKey::kReadAccess | view) != ERROR_SUCCESS) continue;
        StoredValue value = ReadStoredValue(key, name);
        if (value.present) return value;
    }
    return {};
}

void ReadEntries(HKEY root, REGSAM view, std::vector<std::pair<std::string, StoredValue>>& entries) {
    RegKey key;
    if (key.Open(root, kAddonListPath, RegKey::kReadAccess | view) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        char data[kMaxValueBytes];
        DWORD dataSize = sizeof data;
        LONG status = RegEnumValueA(key.Handle(), index, name, &nameSize, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        // A name too long for a class id, or data too long for a word, is skipped.
        if (status != ERROR_SUCCESS) {
            if (status == ERROR_MORE_DATA) continue;
            break;
        }
        entries.emplace_back(std::string(name, nameSize), StoredValue{true, type, std::string(data, dataSize)});
    }
}

ZoneLayers ReadZone(const char* name) {
    ZoneLayers zone;
    zone.machinePolicy = ReadMachineValue(kZonePolicyPath, name);
    zone.machinePreference = ReadMachineValue(kInternetZoneKeyPath, name);
    RegKey user;
    if (user.Open(HKEY_CURRENT_USER, kZonePolicyPath, RegKey::kReadAccess) == ERROR_SUCCESS)
        zone.userPolicy = ReadStoredValue(user, name);
    return zone;
}

// Each view's kill-bit parent, opened once for the whole list: a list of thousands would
// otherwise open it twice per entry.
struct KillBitParents {
    RegKey keys[2];
    KillBitParents() {
        for (std::size_t index = 0; index < 2; ++index)
            keys[index].Open(HKEY_LOCAL_MACHINE, kKillBitParentPath, RegKey::kReadAccess | kViews[index]);
    }
};

// A kill bit in force in either view that carries no record of ours.
bool ForeignKillBit(const KillBitParents& parents, std::string_view classId) {
    const OwnedFlag killBit{kKillBitValueName, kKillBitFlag};
    for (std::size_t index = 0; index < 2; ++index) {
        if (!parents.keys[index].IsOpen()) continue;
        RegKey key;
        FlagKeyState state;
        ReadOwnedFlagKey(parents.keys[index], KillBitKeyName(classId), killBit, kViews[index], key, state);
        if (state.flags && (*state.flags & kKillBitFlag) && !state.record) return true;
    }
    return false;
}

}  // namespace

PolicyLayers ReadPolicyLayers() {
    PolicyLayers layers;
    for (REGSAM view : kViews) ReadEntries(HKEY_LOCAL_MACHINE, view, layers.machineAddons.entries);
    ReadEntries(HKEY_CURRENT_USER, 0, layers.userAddons.entries);
    layers.machineAddons.restrictToList = ReadMachineValue(kAddonPolicyPath, "RestrictToList");
    RegKey user;
    if (user.Open(HKEY_CURRENT_USER, kAddonPolicyPath, RegKey::kReadAccess) == ERROR_SUCCESS)
        layers.userAddons.restrictToList = ReadStoredValue(user, "RestrictToList");
    layers.securityMachineOnly = ReadMachineValue(kSettingsPolicyPath, "Security_HKLM_only");
    layers.zone1400 = ReadZone("1400");
    layers.zone1402 = ReadZone("1402");
    layers.zone1C00 = ReadZone("1C00");
    return layers;
}

PolicyVerdicts ReadPolicyVerdicts(const Settings& settings, const Selection& selection, bool blocking,
                                  const PolicyReport& report) {
    const PolicyLayers layers = ReadPolicyLayers();
    std::vector<TargetStatus> fixed;
    fixed.reserve(kFixedTargetRows);
    const bool scriptingOff = blocking && ScriptingPolicyValue(settings.scriptingChoice) == 3;
    fixed.push_back({"Active scripting (1400)", "", DecideZoneValue(layers, "1400", scriptingOff)});
    fixed.push_back({"Scripting of Java applets (1402)", "", DecideZoneValue(layers, "1402", scriptingOff)});
    for (Category category : {Category::Pictures, Category::Videos, Category::Animations, Category::Sounds}) {
        const bool on = blocking && selection.IsChecked(category);
        fixed.push_back({CategoryValueName(category), "",
                         {on ? TargetState::BlockedByHushbar : TargetState::NotBlocked, ""}});
    }
    fixed.push_back({"Java (1C00)", "",
                     DecideZoneValue(layers, "1C00", blocking && selection.IsChecked(Category::Java))});
    PolicyVerdicts verdicts(std::move(fixed), selection.Items().size());
    // What the apply just saw of the kill bits needs no second reading.
    const auto& seen = report.foreignKillBits;
    std::optional<KillBitParents> parents;
    if (!seen) parents.emplace();
    for (const BlockItem& item : selection.Items()) {
        std::string classId(item.classId());
        const bool foreign = seen ? seen->count(classId) != 0 : ForeignKillBit(*parents, classId);
        ControlFacts facts{std::move(classId), blocking && selection.IsChecked(item), !report.machineWideRefused,
                           foreign};
        verdicts.AddControl(DecideControl(layers, facts));
    }
    return verdicts;
}

PolicyVerdicts::PolicyVerdicts(std::vector<TargetStatus> fixedRows, std::size_t controls)
    : fixed_(std::move(fixedRows)) {
    states_.reserve(controls);
}

void PolicyVerdicts::AddControl(Verdict verdict) {
    if (!verdict.decidingKey.empty()) keys_.emplace_back(states_.size(), std::move(verdict.decidingKey));
    states_.push_back(verdict.state);
}

TargetState PolicyVerdicts::State(std::size_t row) const {
    if (row < fixed_.size()) return fixed_[row].verdict.state;
    row -= fixed_.size();
    return row < states_.size() ? states_[row] : TargetState::NotBlocked;
}

Verdict PolicyVerdicts::VerdictOf(std::size_t row) const {
    if (row < fixed_.size()) return fixed_[row].verdict;
    const std::size_t control = row - fixed_.size();
    Verdict verdict{State(row), {}};
    auto key = std::lower_bound(keys_.begin(), keys_.end(), control,
                                [](const auto& entry, std::size_t wanted) { return entry.first < wanted; });
    if (key != keys_.end() && key->first == control) verdict.decidingKey = key->second;
    return verdict;
}

std::vector<TargetStatus> PolicyVerdicts::Rows(const BlockList& list) const {
    std::vector<TargetStatus> rows(fixed_);
    if (list.size() != states_.size()) return rows;
    rows.reserve(Size());
    for (std::size_t index = 0; index < list.size(); ++index)
        rows.push_back(
            {std::string(list[index].name()), std::string(list[index].classId()), VerdictOf(fixed_.size() + index)});
    return rows;
}

PolicySummary SummarisePolicy(const PolicyVerdicts& verdicts) {
    PolicySummary summary;
    for (std::size_t row = 0; row < verdicts.Size(); ++row) {
        const TargetState state = verdicts.State(row);
        // What Hushbar meant to block: everything but what it leaves alone.
        if (state == TargetState::NotBlocked) continue;
        if (state == TargetState::BlockedAlready || state == TargetState::BlockedByPolicy) continue;
        ++summary.checked;
        if (state == TargetState::AllowedByPolicy) ++summary.allowedByPolicy;
    }
    return summary;
}

std::string PolicyNote(const PolicySummary& summary) {
    if (summary.allowedByPolicy == 0) return {};
    return std::to_string(summary.allowedByPolicy) + " of " + std::to_string(summary.checked) +
           (summary.checked == 1 ? " checked item" : " checked items") + (summary.allowedByPolicy == 1 ? " is" : " are") +
           " allowed by your administrator's policy and stay" + (summary.allowedByPolicy == 1 ? "s" : "") +
           " unblocked.";
}

const char* const kReportColumns[kReportColumnCount] = {"Name", "Class id", "State", "Decided by"};

std::array<std::string, kReportColumnCount> ReportCells(const TargetStatus& target) {
    return {target.name, target.classId.empty() ? "-" : "{" + target.classId + "}", StateWords(target.verdict.state),
            target.verdict.decidingKey.empty() ? "Hushbar" : target.verdict.decidingKey};
}

namespace {

template <class Cells>
void AppendLine(std::string& text, const Cells& cells) {
    for (std::size_t column = 0; column < kReportColumnCount; ++column) {
        if (column) text += '\t';
        text += cells[column];
    }
    text += "\r\n";
}

}  // namespace

std::string FormatPolicyReport(const std::vector<TargetStatus>& status) {
    std::string text;
    AppendLine(text, kReportColumns);
    for (const TargetStatus& target : status) AppendLine(text, ReportCells(target));
    return text;
}
