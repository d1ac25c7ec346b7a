#pragma once
// What the browser really does with each target, once administrative policy, other owners'
// kill bits and Hushbar's own writes are weighed in the order the browser weighs them:
// machine policy, user policy, user preference, machine preference. Plain logic over what
// was read; ReadPolicyLayers (PolicyLayers.h) fills the input from the registry.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class TargetState {
    BlockedByHushbar,
    BlockedForUserOnly,  // the machine-wide kill bit was refused; the add-on flag holds
    BlockedAlready,      // by Windows or an administrator: a kill bit or a machine value not ours
    BlockedByPolicy,
    AllowedByPolicy,     // checked, but policy keeps it allowed: Hushbar cannot block it
    NotBlocked,
};

// One registry value as stored: its type and raw bytes. Absent when there is none.
struct StoredValue {
    bool present = false;
    std::uint32_t type = 0;  // REG_SZ = 1, REG_EXPAND_SZ = 2, REG_DWORD = 4, ...
    std::string bytes;
};

StoredValue DwordValue(std::uint32_t number);
StoredValue StringValue(const std::string& text);

// A policy number: a 4-byte REG_DWORD, or a REG_SZ / REG_EXPAND_SZ of decimal digits (up
// to one terminating zero). Anything else - binary, empty, too long, not a number - is not
// set.
std::optional<std::uint32_t> PolicyNumber(const StoredValue& value);

// A class id as the add-on list names it, for comparison: braces taken off, upper case,
// surrounding blanks ignored.
std::string NormalizeClassId(const std::string& classId);

// One layer of the add-on list policy ("...\Policies\Ext"): value names are class ids.
struct AddonListLayer {
    std::vector<std::pair<std::string, StoredValue>> entries;  // name as stored, value
    StoredValue restrictToList;
};

// One zone-3 value as each layer holds it.
struct ZoneLayers {
    StoredValue machinePolicy;
    StoredValue userPolicy;
    StoredValue machinePreference;
};

struct PolicyLayers {
    AddonListLayer machineAddons;
    AddonListLayer userAddons;
    StoredValue securityMachineOnly;  // Security_HKLM_only
    ZoneLayers zone1400, zone1402, zone1C00;
};

// What Hushbar itself has in force for one control.
struct ControlFacts {
    std::string classId;
    bool checked = false;          // Hushbar blocks it while switched on
    bool machineWide = true;       // false: only the per-user add-on flag could be written
    bool foreignKillBit = false;   // a kill bit without Hushbar's record, in either view
};

struct Verdict {
    TargetState state = TargetState::NotBlocked;
    std::string decidingKey;  // the key whose value decided, or "" when Hushbar's writes do
};

// Registry paths named in verdicts, with their roots spelled out.
extern const char kMachineAddonPolicyKey[];
extern const char kUserAddonPolicyKey[];
extern const char kMachineZonePolicyKey[];
extern const char kUserZonePolicyKey[];
extern const char kMachineZoneKey[];

Verdict DecideControl(const PolicyLayers& layers, const ControlFacts& control);

// `zoneName` is "1400", "1402" or "1C00"; `hushbarBlocks` whether Hushbar wrote its blocking
// value into the user's zone. 1400/1402 block at 3 (disallow), 1C00 at 0 (Java off).
Verdict DecideZoneValue(const PolicyLayers& layers, const char* zoneName, bool hushbarBlocks);

// Short words for a state ("allowed by policy"), and a sentence for a tool tip.
const char* StateWords(TargetState state);
const char* StateReason(TargetState state);
