#pragma once
// One record of the block-list file, and the ordered list of them.
#include "win/Win32.h"
#include <commctrl.h>
#include <string>
#include <vector>

struct BlockItem {
    bool enabled = false;      // default check state of its tree node
    std::string name;          // display name
    std::string classId;       // COM class identifier without braces
    std::string comment;       // optional remark shown after the name
    HTREEITEM treeItem = nullptr;  // its node while the block tree is built
};

using BlockList = std::vector<BlockItem>;
