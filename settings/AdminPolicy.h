#pragma once
// Hushbar's own policy: what an administrator decides above the user, read (never written)
// from the machine's policy key first and then the user's, the machine winning value by
// value. What is not set leaves the user's choice; a value of the wrong type or out of
// range is ignored as if it were not set.
#include "blocklist/Selection.h"
#include "settings/Settings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Under HKEY_LOCAL_MACHINE, then under HKEY_CURRENT_USER.
constexpr char kAdminPolicyKey[] = "Software\\Policies\\Corvane\\Hushbar";
// The same layout as the settings' SWITCH key: "yes"/"no" per class id and category, and
// the scripting choice as a number.
constexpr char kAdminSelectionKey[] = "Software\\Policies\\Corvane\\Hushbar\\Selection";

// What the program says wherever the policy locks a control or a command.
constexpr char kSetByAdministrator[] = "Set by your administrator";

enum class AdminValueType { Dword, String };

// One value the policy reads. The administrative template names exactly these, and its test
// holds the two together.
struct AdminPolicyValue {
    const char* key;
    const char* name;  // "" for the selection's entries, whose names are class ids
    AdminValueType type;
    std::uint32_t maximum;  // a number above it is ignored; strings take no bound here
};

inline constexpr AdminPolicyValue kAdminPolicyValues[] = {
    {kAdminPolicyKey, "Blocking", AdminValueType::Dword, 1},          // 1 forces on, 0 forces off
    {kAdminPolicyKey, "AllowUpdate", AdminValueType::Dword, 1},       // 0 turns Update off
    {kAdminPolicyKey, "UpdateUrl", AdminValueType::String, 0},        // replaces the built-in base URL
    {kAdminPolicyKey, "StartWithWindows", AdminValueType::Dword, 1},  // forces the Run value on or off
    {kAdminSelectionKey, "", AdminValueType::String, 0},              // "yes" or "no" per entry
    {kAdminSelectionKey, "Scripting", AdminValueType::Dword, 2},      // Enable, Disable, Prompt
};

// The longest update URL taken; a longer one is ignored.
constexpr std::size_t kMaxUpdateUrlLength = 2048;

struct AdminPolicy {
    std::optional<bool> blocking;  // true: forced on
    std::optional<bool> allowUpdate;
    std::string updateUrl;  // empty: the built-in one; always ends in '/'
    std::optional<bool> startWithWindows;
    ForcedSelection selection;

    bool UpdateAllowed() const noexcept { return allowUpdate.value_or(true); }
};
bool operator==(const AdminPolicy& a, const AdminPolicy& b);
inline bool operator!=(const AdminPolicy& a, const AdminPolicy& b) { return !(a == b); }

AdminPolicy ReadAdminPolicy();

// An update base URL the policy may name: http:// or https:// with a host, printable
// characters only. Returns it ending in '/', or "" when it is not one.
std::string UsableUpdateUrl(const std::string& url);

// Puts what the policy forces over the user's options (the selection's part goes to the
// SelectionModel). The user's own values are gone from `settings` afterwards: save with the
// same policy, so that they stay as stored.
void ApplyAdminPolicy(const AdminPolicy& policy, Settings& settings);
