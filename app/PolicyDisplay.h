#pragma once
// How the main dialog's tree shows what is really in force: the targets' states mapped onto
// the tree's items. Plain logic over what ReadPolicyVerdicts read.
#include "blocklist/BlockTree.h"
#include "engine/PolicyLayers.h"

#include <vector>

// The tree items' states, in BlockTree::ShowStates' order: how many there are, and one
// of them. The two scripting values share the scripting choice's item. An item whose state
// its check box already says (blocked by Hushbar, not blocked) gets no note; every item gets
// its reason and the key that decided it. None when `status` is not one read for a
// selection; an index past the last gives an empty state.
std::size_t TreeItemCount(const PolicyVerdicts& status);
ItemState TreeItemState(const PolicyVerdicts& status, std::size_t index);
