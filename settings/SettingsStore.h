#pragma once
// Persists the user's options and the selection of what is blocked, per user.
#include "blocklist/Selection.h"
#include "settings/Settings.h"

// Under HKEY_CURRENT_USER: the options, and below them the selection.
constexpr char kProductKey[] = "Software\\Corvane\\Hushbar";
constexpr char kSelectionKey[] = "Software\\Corvane\\Hushbar\\SWITCH";
// The selection key's value for the scripting node's option index (REG_DWORD).
constexpr char kScriptingValue[] = "Scripting";

// The selection key keeps a category's check state ("yes" = checked) under
// CategoryValueName(category).

// Reads the options into `settings` and the stored selection into the tree. Whatever is
// missing, of another type or too long keeps its current value; nothing is reported.
void LoadSettings(Settings& settings, Selection& selection);
// The options alone, by the same rules.
void LoadOptions(Settings& settings);

// Writes the options, then the selection as the tree holds it. A key that cannot be
// created is skipped and the other is still written. Without a built tree the selection
// is left as stored, so a save at the wrong moment cannot wipe it. What `policy` forces is
// not the user's choice: those options keep their stored values, and the selection is
// written as the user chose it (Selection::UserChoice).
struct AdminPolicy;
void SaveSettings(const Settings& settings, const Selection& selection, const AdminPolicy* policy = nullptr);
