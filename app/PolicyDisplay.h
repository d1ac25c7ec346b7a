#pragma once
// How the main dialog's tree shows what is really in force: the targets' states mapped onto
// the tree's items. Plain logic over what ReadTargetStatus read.
#include "blocklist/BlockTree.h"
#include "engine/PolicyLayers.h"

#include <vector>

// One state per tree item, in BlockTree::ShowStates' order. The two scripting values share
// the scripting choice's item. An item whose state its check box already says (blocked by
// Hushbar, not blocked) gets no note; every item gets its reason and the key that decided
// it. Empty when `status` is not one read for a selection.
std::vector<ItemState> TreeItemStates(const std::vector<TargetStatus>& status);
