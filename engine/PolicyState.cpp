#include "engine/PolicyState.h"

#include <cctype>
#include <cstring>

const char kMachineAddonPolicyKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext";
const char kUserAddonPolicyKey[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Ext";
const char kMachineZonePolicyKey[] =
    "HKLM\\Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
const char kUserZonePolicyKey[] =
    "HKCU\\Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
const char kMachineZoneKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";

namespace {

constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4;
// Longer text than any number the browser stores is not a number it would read.
constexpr std::size_t kMaxDigits = 10;

std::string WithSuffix(const char* key, const char* suffix) { return std::string(key) + suffix; }

// The add-on list's word for a control: the first layer naming it decides.
struct ListEntry {
    std::optional<std::uint32_t> number;
    bool listed = false;
    std::string key;
};

ListEntry FindEntry(const AddonListLayer& layer, const std::string& wanted, const char* key) {
    for (const auto& [name, value] : layer.entries) {
        if (NormalizeClassId(name) != wanted) continue;
        std::optional<std::uint32_t> number = PolicyNumber(value);
        // "0", "1" and "2" are the only words the list knows; any other content is not set.
        if (!number || *number > 2) continue;
        return {number, true, WithSuffix(key, "\\CLSID")};
    }
    return {};
}

bool Restricts(const StoredValue& value) {
    std::optional<std::uint32_t> number = PolicyNumber(value);
    return number && *number == 1;
}

}  // namespace

StoredValue DwordValue(std::uint32_t number) {
    StoredValue value{true, kRegDword, std::string(4, '\0')};
    std::memcpy(value.bytes.data(), &number, 4);
    return value;
}

StoredValue StringValue(const std::string& text) { return {true, kRegSz, text + '\0'}; }

std::optional<std::uint32_t> PolicyNumber(const StoredValue& value) {
    if (!value.present) return std::nullopt;
    if (value.type == kRegDword) {
        if (value.bytes.size() != 4) return std::nullopt;
        std::uint32_t number = 0;
        std::memcpy(&number, value.bytes.data(), 4);
        return number;
    }
    if (value.type != kRegSz && value.type != kRegExpandSz) return std::nullopt;
    std::string text = value.bytes;
    if (!text.empty() && text.back() == '\0') text.pop_back();
    if (text.empty() || text.size() > kMaxDigits) return std::nullopt;
    std::uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

std::string NormalizeClassId(const std::string& classId) {
    std::size_t first = 0, last = classId.size();
    while (first < last && std::isspace(static_cast<unsigned char>(classId[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(classId[last - 1]))) --last;
    if (first < last && classId[first] == '{') ++first;
    if (last > first && classId[last - 1] == '}') --last;
    std::string out = classId.substr(first, last - first);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

Verdict DecideControl(const PolicyLayers& layers, const ControlFacts& control) {
    const std::string wanted = NormalizeClassId(control.classId);
    ListEntry entry = FindEntry(layers.machineAddons, wanted, kMachineAddonPolicyKey);
    if (!entry.listed) entry = FindEntry(layers.userAddons, wanted, kUserAddonPolicyKey);
    if (entry.listed && *entry.number == 0) return {TargetState::BlockedByPolicy, entry.key};
    if (entry.listed && *entry.number == 1)
        return {control.checked ? TargetState::AllowedByPolicy : TargetState::NotBlocked, entry.key};
    if (!entry.listed) {
        if (Restricts(layers.machineAddons.restrictToList))
            return {TargetState::BlockedByPolicy, WithSuffix(kMachineAddonPolicyKey, "\\RestrictToList")};
        if (Restricts(layers.userAddons.restrictToList))
            return {TargetState::BlockedByPolicy, WithSuffix(kUserAddonPolicyKey, "\\RestrictToList")};
    }
    // "2" leaves the control to the user, and so to what Hushbar and others wrote.
    if (control.foreignKillBit)
        return {TargetState::BlockedAlready,
                "HKLM\\SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{" + wanted + "}"};
    if (!control.checked) return {TargetState::NotBlocked, ""};
    return {control.machineWide ? TargetState::BlockedByHushbar : TargetState::BlockedForUserOnly, ""};
}

Verdict DecideZoneValue(const PolicyLayers& layers, const char* zoneName, bool hushbarBlocks) {
    const bool java = std::strcmp(zoneName, "1C00") == 0;
    const ZoneLayers& zone = java ? layers.zone1C00
                             : std::strcmp(zoneName, "1402") == 0 ? layers.zone1402
                                                                  : layers.zone1400;
    const std::string suffix = std::string("\\") + zoneName;
    auto blocks = [java](std::uint32_t number) { return java ? number == 0 : number == 3; };
    auto byPolicy = [&](std::uint32_t number, const char* key) -> Verdict {
        if (blocks(number)) return {TargetState::BlockedByPolicy, WithSuffix(key, suffix.c_str())};
        return {hushbarBlocks ? TargetState::AllowedByPolicy : TargetState::NotBlocked,
                WithSuffix(key, suffix.c_str())};
    };
    if (std::optional<std::uint32_t> number = PolicyNumber(zone.machinePolicy))
        return byPolicy(*number, kMachineZonePolicyKey);
    if (Restricts(layers.securityMachineOnly)) {
        // The user's zone values are not read at all: the machine's own decide.
        const std::string key = WithSuffix(kMachineZoneKey, suffix.c_str());
        std::optional<std::uint32_t> number = PolicyNumber(zone.machinePreference);
        if (number && blocks(*number)) return {TargetState::BlockedAlready, key};
        return {hushbarBlocks ? TargetState::AllowedByPolicy : TargetState::NotBlocked,
                "HKLM\\Software\\Policies\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Security_HKLM_only"};
    }
    if (std::optional<std::uint32_t> number = PolicyNumber(zone.userPolicy))
        return byPolicy(*number, kUserZonePolicyKey);
    return {hushbarBlocks ? TargetState::BlockedByHushbar : TargetState::NotBlocked, ""};
}

const char* StateWords(TargetState state) {
    switch (state) {
    case TargetState::BlockedByHushbar: return "blocked";
    case TargetState::BlockedForUserOnly: return "blocked for this user only";
    case TargetState::BlockedAlready: return "blocked already";
    case TargetState::BlockedByPolicy: return "blocked by policy";
    case TargetState::AllowedByPolicy: return "allowed by policy";
    case TargetState::NotBlocked: break;
    }
    return "not blocked";
}

const char* StateReason(TargetState state) {
    switch (state) {
    case TargetState::BlockedByHushbar: return "Blocked by Hushbar.";
    case TargetState::BlockedForUserOnly:
        return "Blocked by Hushbar for this user only: the machine-wide block needs administrator rights.";
    case TargetState::BlockedAlready: return "Blocked already by Windows or an administrator.";
    case TargetState::BlockedByPolicy: return "Blocked by your administrator's policy.";
    case TargetState::AllowedByPolicy:
        return "Allowed by your administrator's policy: Hushbar cannot block it.";
    case TargetState::NotBlocked: break;
    }
    return "Not blocked.";
}
