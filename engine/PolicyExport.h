#pragma once
// The policy a selection puts in force, as a REGEDIT4 file an administrator can import with
// `reg import` or deploy from Group Policy Preferences. Plain text only; no registry access.
#include "blocklist/Selection.h"

#include <string>

// Both registry views of the machine-wide kill bits, the current user's add-on flags, and
// the display options and zone values, as ApplyPolicy writes them. Lines end in CR LF.
std::string FormatPolicyRegFile(const Selection& selection);
