#pragma once
// One record of the block-list file, and the ordered list of them.
#include "win/Win32.h"
#include <commctrl.h>
#include <memory>
#include <string_view>
#include <vector>

// A long list holds ten thousand of these for the life of the process, so an entry's three
// texts share one heap block instead of a string object each (a class id alone is too long
// to fit inside a string and took a block of its own): a third of the memory.
class BlockItem {
public:
    BlockItem() = default;
    BlockItem(bool enabled, std::string_view name, std::string_view classId, std::string_view comment);
    BlockItem(const BlockItem& other);
    BlockItem& operator=(const BlockItem& other);
    BlockItem(BlockItem&&) noexcept = default;
    BlockItem& operator=(BlockItem&&) noexcept = default;

    std::string_view name() const noexcept { return Text(0); }      // display name
    std::string_view classId() const noexcept { return Text(1); }   // COM class identifier without braces
    std::string_view comment() const noexcept { return Text(2); }   // optional remark shown after the name
    // The class id as a C string, for the registry's value names.
    const char* ClassIdText() const noexcept;

    // The same record: flag and texts alike, whatever the node.
    bool SameRecord(const BlockItem& other) const noexcept;

    bool enabled = false;          // default check state of its tree node
    HTREEITEM treeItem = nullptr;  // its node while the block tree is built

private:
    std::string_view Text(int which) const noexcept;
    std::unique_ptr<char[]> CopyTexts() const;

    // The three lengths, seven bits to a byte, then each text followed by a NUL; none when
    // all three are empty.
    std::unique_ptr<char[]> texts_;
};

using BlockList = std::vector<BlockItem>;
