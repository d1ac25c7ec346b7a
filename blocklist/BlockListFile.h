#pragma once
// Reading the block-list file into a BlockList.
#include "blocklist/BlockItem.h"
#include "win/ProgramDirectory.h"  // the file's name there
#include <string>

// Empties `list`, then appends one item per record of the file at `path`, in file order.
// The first line is a header and is discarded; blank lines and lines with a bad escape are
// skipped. A missing or unreadable file leaves the list empty; nothing is reported.
void LoadBlockList(const std::string& path, BlockList& list);
