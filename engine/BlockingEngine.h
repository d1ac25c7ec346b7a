#pragma once
// Turns the user's selection into the browser's own registry policy and takes it out again.
// Failures are silent by design: a key that will not open or cannot be created skips that
// one target and the others are still written.
#include "blocklist/Selection.h"
#include "settings/Settings.h"

// Writes the fixed neutral value of every target, and deletes the kill-bit key of every
// listed control whether or not this program made it. A listed Flash entry clears
// settings.flashBlocked.
void WithdrawPolicy(Settings& settings, const Selection& selection);

// Writes the blocking values of what is selected now; relies on WithdrawPolicy having run
// just before, so unselected targets keep their neutral values. Records the scripting
// choice in settings.scriptingChoice and sets settings.flashBlocked for a checked Flash
// entry.
void ApplyPolicy(Settings& settings, const Selection& selection);

// After the tray set settings.flashBlocked: records the choice in the selection key and the
// tree, and, while switched on, adds or removes the Flash kill bit alone. Needs neither the
// list nor the tree.
void ApplyFlashChoice(Settings& settings, Selection& selection);

// After the tray set settings.scriptingChoice: records it in the selection key and the tree,
// and, while switched on, writes the matching zone policy.
void ApplyScriptingChoice(Settings& settings, Selection& selection);
