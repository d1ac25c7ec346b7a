#pragma once
// Turns the user's selection into the browser's own registry policy and takes it out again.
// Failures are silent by design: a key that will not open or cannot be created skips that
// one target and the others are still written.
//
// The kill bits and the per-user add-on flags are set in keys that may hold what others put
// there. Each flag Hushbar sets carries a record of its own beside it, and withdrawing takes
// out only what carries that record: a kill bit set by the OS vendor or an administrator,
// or a control the user disabled, stays as it was.
#include "blocklist/Selection.h"
#include "settings/Settings.h"

#include <optional>
#include <string>
#include <unordered_set>

// What an apply could not do, for the state display.
struct PolicyReport {
    // A checked control's machine-wide kill bit could not be written (no administrator
    // rights): it is blocked for this user only, through the add-on flag.
    bool machineWideRefused = false;
    // The class ids whose kill bit, in either view, is in force without Hushbar's record, as
    // the apply found them; empty (not engaged) when the apply could not see every key.
    std::optional<std::unordered_set<std::string>> foreignKillBits;
};

enum class PolicyMode { Withdrawn, Blocking };

// Puts in force the end state of WithdrawPolicy followed, in Blocking mode, by ApplyPolicy,
// in one pass: each view's kill-bit keys of the listed controls and their add-on keys are
// read once, and only what differs from that end state is written. A control listed twice
// (its key name ignores case) counts as checked when any of its entries is.
PolicyReport EnforcePolicy(Settings& settings, const Selection& selection, PolicyMode mode);

// Puts back each display option and zone value as it was before Hushbar first wrote over it
// (ValueRestore.h) - the fixed neutral value where nothing was recorded - and takes out Hushbar's kill bit and
// add-on flag of every listed control, checked or not. A listed Flash entry clears
// settings.flashBlocked. The Withdrawn mode of EnforcePolicy.
void WithdrawPolicy(Settings& settings, const Selection& selection);

// Writes the blocking values of what is selected now, control by control; relies on
// WithdrawPolicy having run just before, so unselected targets keep their neutral values.
// Records the scripting choice in settings.scriptingChoice and sets settings.flashBlocked
// for a checked Flash entry.
PolicyReport ApplyPolicy(Settings& settings, const Selection& selection);

// After the tray set settings.flashBlocked: records the choice in the selection key and the
// tree, and, while switched on, adds or takes out Hushbar's Flash kill bit and add-on flag
// alone. Needs neither the list nor the tree.
PolicyReport ApplyFlashChoice(Settings& settings, Selection& selection);

// After the tray set settings.scriptingChoice: records it in the selection key and the tree,
// and, while switched on, writes the matching zone policy.
void ApplyScriptingChoice(Settings& settings, Selection& selection);

// The value in Hushbar's own key that says Hushbar created the per-user add-on parent key.
constexpr char kCreatedAddonParentValue[] = "CreatedAddonSettingsKey";

// Deletes the per-user add-on parent key when Hushbar's record says Hushbar created it and
// it is empty now; true when deleted. For the clean-up before Hushbar's own key goes.
bool RemoveCreatedAddonParent();
