#pragma once
// The browser settings the blocking engine drives, as data. The engine walks these rows in
// order to withdraw and to apply; nothing here touches the registry.
#include "blocklist/Selection.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Per-user keys the browser reads. Both are only ever opened, never created: when the
// browser is not set up there is nothing to keep from playing.
constexpr char kBrowserMainKeyPath[] = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr char kInternetZoneKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";

// Per-machine parent of the kill-bit keys, one subkey "{classId}" per blocked control.
constexpr char kKillBitParentPath[] = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility";
constexpr char kKillBitValueName[] = "Compatibility Flags";
constexpr std::uint32_t kKillBitFlag = 0x400;

// Per-user parent of the browser's add-on manager settings, one subkey "{classId}" per
// control; bit 0x1 of its "Flags" disables the control for this user. It needs no
// administrator rights, so it holds where the machine-wide kill bit is refused.
constexpr char kAddonSettingsPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings";
constexpr char kAddonFlagsValueName[] = "Flags";
constexpr std::uint32_t kAddonDisabledFlag = 0x1;

enum class PolicyValueType { Dword, String };

// What decides whether ApplyPolicy writes a row: the scripting choice always does (its
// number comes from the choice), the others only when their category is checked.
enum class PolicyTrigger { ScriptingChoice, CategoryChecked };

struct PolicyData {
    std::uint32_t number;  // for Dword rows
    const char* text;      // for String rows, stored with its terminating zero
};

struct PolicyTarget {
    const char* keyPath;                 // under the current user's root
    std::array<const char*, 2> values;   // written in order under one open key; null ends the list
    PolicyValueType type;
    PolicyTrigger trigger;
    Category category;                   // meaningful for CategoryChecked rows only
    PolicyData neutral;                  // written by every withdraw
    PolicyData blocking;                 // written by an apply (scripting rows compute theirs)
};

// In the order withdraw and apply walk them.
inline constexpr std::array<PolicyTarget, 6> kPolicyTargets{{
    {kInternetZoneKeyPath, {"1400", "1402"}, PolicyValueType::Dword, PolicyTrigger::ScriptingChoice,
     Category::Pictures, {0, nullptr}, {0, nullptr}},
    {kBrowserMainKeyPath, {CategoryValueName(Category::Pictures), nullptr}, PolicyValueType::String,
     PolicyTrigger::CategoryChecked, Category::Pictures, {0, "yes"}, {0, "no"}},
    {kBrowserMainKeyPath, {CategoryValueName(Category::Videos), nullptr}, PolicyValueType::String,
     PolicyTrigger::CategoryChecked, Category::Videos, {0, "yes"}, {0, "no"}},
    {kBrowserMainKeyPath, {CategoryValueName(Category::Animations), nullptr}, PolicyValueType::String,
     PolicyTrigger::CategoryChecked, Category::Animations, {0, "yes"}, {0, "no"}},
    {kBrowserMainKeyPath, {CategoryValueName(Category::Sounds), nullptr}, PolicyValueType::String,
     PolicyTrigger::CategoryChecked, Category::Sounds, {0, "yes"}, {0, "no"}},
    // 0 turns Java off; 0x10000 is the browser's own high-safety Java setting.
    {kInternetZoneKeyPath, {"1C00", nullptr}, PolicyValueType::Dword, PolicyTrigger::CategoryChecked,
     Category::Java, {0x10000, nullptr}, {0, nullptr}},
}};

// The zone-policy number for a scripting choice: Enable allows (0), Disable disallows (3),
// and anything else, Prompt or a stray stored number, prompts (1).
std::uint32_t ScriptingPolicyValue(std::uint32_t choice) noexcept;

// "{classId}": the identifier is used exactly as listed, without trimming or case folding.
std::string KillBitKeyName(std::string_view classId);
std::string KillBitKeyPath(std::string_view classId);

